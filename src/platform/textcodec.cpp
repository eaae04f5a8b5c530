#include "platform/textcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include "platform/fileops.h"

namespace zorvik::platform {

std::string utf8ToGb18030(std::string_view utf8) {
    QStringEncoder encoder("GB18030");
    QByteArray bytes = encoder.encode(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return bytes.toStdString();
}

std::string gb18030ToUtf8(std::string_view bytes) {
    QStringDecoder decoder("GB18030");
    QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return text.toStdString();
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        if (end > start && text[end - 1] == '\r') --end;
        lines.emplace_back(text.substr(start, end - start));
        start = next;
    }
    return lines;
}

Result<std::vector<std::string>> readTextLines(std::string_view path) {
    auto bytes = readWholeFile(path, kLargestTextFile);
    if (!bytes) return Result<std::vector<std::string>>(bytes.failure());
    return splitLines(gb18030ToUtf8(*bytes));
}

Result<std::vector<FileLine>> readFileLines(std::string_view path, std::int64_t largest) {
    auto bytes = readWholeFile(path, largest);
    if (!bytes) return Result<std::vector<FileLine>>(bytes.failure());
    // No byte of a GB18030 character is a line feed, so the bytes split into
    // lines before they are decoded, and one bad line spoils no other.
    std::vector<FileLine> lines;
    for (auto& raw : splitLines(*bytes)) {
        std::string text = gb18030ToUtf8(raw);
        const bool exact = utf8ToGb18030(text) == raw;
        lines.push_back({std::move(text), exact ? std::string() : std::move(raw)});
    }
    return lines;
}

std::string encodeFileLines(const std::vector<FileLine>& lines) {
    std::string bytes;
    for (const auto& line : lines) {
        bytes += line.undecodable.empty() ? utf8ToGb18030(line.text) : line.undecodable;
        bytes += "\r\n";
    }
    return bytes;
}

Done writeTextLines(std::string_view path, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return writeWholeFile(path, utf8ToGb18030(text));
}

}  // namespace zorvik::platform
