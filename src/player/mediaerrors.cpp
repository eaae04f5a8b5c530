#include "player/mediaerrors.h"

#include <array>

namespace zorvik::player {

namespace {

struct Known {
    const char* words;      // a part of the framework's text, in any letter case, UTF-8
    const char16_t* text;   // %1: the file's name
};

// GStreamer's texts, and Qt's where it words one itself; the first match holds. Under a
// Chinese locale GStreamer gives its own translations, so those are matched too.
constexpr std::array kKnown{
    Known{"could not determine type of stream", u"无法识别文件“%1”的格式，它可能已损坏或不是媒体文件"},
    Known{"无法确定流", u"无法识别文件“%1”的格式，它可能已损坏或不是媒体文件"},
    Known{"appears to be a text file", u"文件“%1”是文本文件，不是媒体文件"},
    Known{"是个文本文件", u"文件“%1”是文本文件，不是媒体文件"},
    Known{"not contain enough data", u"文件“%1”太短或已损坏，无法识别其格式"},
    Known{"没有足够数据", u"文件“%1”太短或已损坏，无法识别其格式"},
    Known{"cannot play stream of type", u"缺少播放文件“%1”所需的解码器"},
    Known{"missing a plug-in", u"缺少播放文件“%1”所需的解码器"},
    Known{"缺少插件", u"缺少播放文件“%1”所需的解码器"},
    Known{"no decoder available", u"缺少播放文件“%1”所需的解码器"},
    Known{"可用的解码器", u"缺少播放文件“%1”所需的解码器"},
    Known{"device is being used by another application", u"声音设备正被其他程序占用，无法播放文件“%1”"},
    Known{"resource busy", u"声音设备正被其他程序占用，无法播放文件“%1”"},
    Known{"资源忙", u"声音设备正被其他程序占用，无法播放文件“%1”"},
    Known{"resource not found", u"找不到文件“%1”"},
    Known{"资源未找到", u"找不到文件“%1”"},
    Known{"no such file", u"找不到文件“%1”"},
    Known{"could not open", u"无法打开文件“%1”"},
    Known{"无法打开", u"无法打开文件“%1”"},
    Known{"could not decode stream", u"文件“%1”已损坏，无法解码"},
    Known{"无法解码流", u"文件“%1”已损坏，无法解码"},
    Known{"internal data stream error", u"文件“%1”无法解码，它可能已损坏"},
    Known{"内部数据流错误", u"文件“%1”无法解码，它可能已损坏"},
};

}  // namespace

QString mediaErrorText(const QString& original, const QString& fileName) {
    QString text = QStringLiteral("播放文件“%1”时出错");
    for (const auto& known : kKnown) {
        if (original.contains(QString::fromUtf8(known.words), Qt::CaseInsensitive)) {
            text = QString::fromUtf16(known.text);
            break;
        }
    }
    text = text.arg(fileName);
    if (!original.trimmed().isEmpty()) text += QStringLiteral("（") + original.trimmed() + QStringLiteral("）");
    return text;
}

}  // namespace zorvik::player
