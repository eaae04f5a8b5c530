#include "support/sound.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QThread>
#include <cstdlib>

namespace zorvik::testing {

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

QString output(const QString& program, const QStringList& arguments) {
    QTemporaryFile out;
    if (!out.open()) return {};
    Spawned p;
    if (!p.start(program, arguments, out.fileName(), /*withErrors=*/false) || !p.waitFinished(10000) ||
        p.exitCode() != 0)
        return {};
    return QString::fromUtf8(readAll(out.fileName()));
}

SoundServer::SoundServer() {
    if (!runtime_.isValid()) {
        why_ = QStringLiteral("no scratch folder");
        return;
    }
    QFile::setPermissions(runtime_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toUtf8());
    qunsetenv("PULSE_SERVER");
    const QString log = runtime_.filePath(QStringLiteral("server.log"));
    const bool started = server_.start(
        QStringLiteral("pulseaudio"),
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
         QStringLiteral("--use-pid-file=no"), QStringLiteral("--system=no"), QStringLiteral("-L"),
         QStringLiteral("module-native-protocol-unix auth-anonymous=1"), QStringLiteral("-L"),
         QStringLiteral("module-null-sink sink_name=nullsink"), QStringLiteral("-L"),
         QStringLiteral("module-always-sink")},
        log);
    if (!started) {
        why_ = QStringLiteral("pulseaudio did not start (is it installed?)");
        return;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        if (!output(QStringLiteral("pactl"), {QStringLiteral("info")}).isEmpty()) {
            output(QStringLiteral("pactl"), {QStringLiteral("set-default-sink"), QStringLiteral("nullsink")});
            running_ = true;
            return;
        }
        if (!server_.running()) break;
        QThread::msleep(50);
    }
    why_ = QStringLiteral("the sound server did not answer: ") + QString::fromUtf8(readAll(log));
}

SoundServer::~SoundServer() {
    server_.terminate();
    if (!server_.waitFinished(3000)) {
        server_.kill();
        server_.waitFinished(3000);
    }
}

QString SoundServer::sinkVolumes() const {
    const QString text = output(QStringLiteral("pactl"), {QStringLiteral("get-sink-volume"), QStringLiteral("nullsink")});
    // "Volume: front-left: 0 /   0% / -inf dB,   front-right: 0 /   0% / -inf dB"
    QStringList percents;
    auto matches = QRegularExpression(QStringLiteral("(\\d+)%")).globalMatch(text.section(u'\n', 0, 0));
    while (matches.hasNext()) percents << matches.next().captured(1);
    return percents.isEmpty() ? QStringLiteral("-1") : percents.join(u' ');
}

void SoundServer::setSinkVolumePercent(int percent) const {
    output(QStringLiteral("pactl"),
           {QStringLiteral("set-sink-volume"), QStringLiteral("nullsink"), QString::number(percent) + u'%'});
}

Recording::Recording() {
    if (!sound_.isValid()) return;
    recorder_.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), QStringLiteral("nullsink.monitor"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                     QStringLiteral("--latency-msec=50")},
                    sound_.filePath(QStringLiteral("sink.raw")), /*withErrors=*/false);
    // The monitor delivers silence all the time: the first bytes mark the
    // start of the recording's time line.
    clock_.start();
    while (QFileInfo(sound_.filePath(QStringLiteral("sink.raw"))).size() == 0 && clock_.elapsed() < 3000 &&
           recorder_.running())
        QThread::msleep(2);
    clock_.start();
}

Recording::~Recording() = default;

const std::vector<qint16>& Recording::samples() {
    if (samples_) return *samples_;
    recorder_.terminate();
    recorder_.waitFinished(3000);
    const QByteArray bytes = readAll(sound_.filePath(QStringLiteral("sink.raw")));
    samples_.emplace();
    samples_->reserve(static_cast<size_t>(bytes.size() / 2));
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        samples_->push_back(
            static_cast<qint16>(static_cast<quint8>(bytes[i]) | (static_cast<quint8>(bytes[i + 1]) << 8)));
    return *samples_;
}

double Recording::peak() {
    int loudest = 0;
    for (qint16 sample : samples()) loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
    return loudest / 32768.0;
}

std::vector<Burst> Recording::bursts(double level, double gap) {
    const auto& all = samples();
    // Loud or quiet by windows of 5 ms, so that a tone's own zero crossings do not split it.
    constexpr size_t kWindow = kRate / 200;
    const int threshold = static_cast<int>(level * 32768);
    const auto gapWindows = static_cast<size_t>(gap * 200);
    std::vector<std::pair<size_t, size_t>> stretches;  // windows [first, last]
    for (size_t w = 0; w * kWindow < all.size(); ++w) {
        int loudest = 0;
        for (size_t i = w * kWindow; i < std::min(all.size(), (w + 1) * kWindow); ++i)
            loudest = std::max(loudest, std::abs(static_cast<int>(all[i])));
        if (loudest < threshold) continue;
        if (!stretches.empty() && w - stretches.back().second <= gapWindows + 1)
            stretches.back().second = w;
        else
            stretches.emplace_back(w, w);
    }
    std::vector<Burst> found;
    for (const auto& [first, last] : stretches) {
        const size_t begin = first * kWindow;
        const size_t end = std::min(all.size(), (last + 1) * kWindow);
        // Rising zero crossings, from the first to the last: whole periods.
        size_t firstCrossing = 0, lastCrossing = 0;
        int periods = -1;
        for (size_t i = begin + 1; i < end; ++i) {
            if (all[i - 1] >= 0 || all[i] < 0) continue;
            if (periods < 0) firstCrossing = i;
            lastCrossing = i;
            ++periods;
        }
        const double frequency =
            periods > 0 ? periods * static_cast<double>(kRate) / static_cast<double>(lastCrossing - firstCrossing) : 0;
        found.push_back({static_cast<double>(begin) / kRate, static_cast<double>(end - begin) / kRate, frequency});
    }
    return found;
}

std::string unheard(const std::vector<Burst>& heard, const std::vector<Asked>& asked, double spread) {
    std::string wrong;
    if (heard.size() != asked.size())
        wrong = std::to_string(asked.size()) + " asked for, " + std::to_string(heard.size()) + " heard. ";
    double earliest = 1e9, latest = -1e9;
    for (size_t i = 0; i < std::min(heard.size(), asked.size()); ++i) {
        const std::string which = "#" + std::to_string(i + 1) + " ";
        if (std::abs(heard[i].frequency - asked[i].frequency) > asked[i].frequency * 0.05)
            wrong += which + "has the wrong pitch. ";
        if (std::abs(heard[i].length - asked[i].seconds) > 0.03) wrong += which + "is not heard whole. ";
        earliest = std::min(earliest, heard[i].start - asked[i].at);
        latest = std::max(latest, heard[i].start - asked[i].at);
    }
    if (latest - earliest > spread)
        wrong += "Heard " + std::to_string(earliest) + " to " + std::to_string(latest) + " s after asked. ";
    if (wrong.empty()) return {};
    wrong += "Heard (s, ms, Hz):";
    for (const auto& b : heard)
        wrong += " " + std::to_string(static_cast<int>(b.start * 1000) / 1000.0).substr(0, 6) + "/" +
                 std::to_string(static_cast<int>(b.length * 1000)) + "/" + std::to_string(static_cast<int>(b.frequency));
    return wrong;
}

namespace {

// A standard MIDI file: a few notes on a piano for about `seconds`.
QByteArray midiSong(double seconds) {
    auto be32 = [](QByteArray& b, quint32 v) {
        for (int s = 24; s >= 0; s -= 8) b.append(static_cast<char>((v >> s) & 0xff));
    };
    auto vlq = [](QByteArray& b, quint32 v) {
        QByteArray out(1, static_cast<char>(v & 0x7f));
        while (v >>= 7) out.prepend(static_cast<char>((v & 0x7f) | 0x80));
        b.append(out);
    };
    // 480 ticks a beat at the default 120 beats a minute: 960 ticks a second.
    const int notes = std::max(1, static_cast<int>(seconds * 2));
    QByteArray events;
    // A text event makes the file large enough to be taken for a song at all.
    const QByteArray text(1200, 'z');
    vlq(events, 0);
    events.append("\xff\x01", 2);
    vlq(events, static_cast<quint32>(text.size()));
    events.append(text);
    for (int i = 0; i < notes; ++i) {
        const char key = static_cast<char>(60 + (i % 3) * 4);
        vlq(events, 0);
        events.append("\x90", 1).append(key).append('\x64');
        vlq(events, 480);
        events.append("\x80", 1).append(key).append('\0');
    }
    vlq(events, 0);
    events.append("\xff\x2f\x00", 3);
    QByteArray file("MThd");
    be32(file, 6);
    file.append("\x00\x00\x00\x01\x01\xe0", 6);
    file.append("MTrk");
    be32(file, static_cast<quint32>(events.size()));
    return file + events;
}

}  // namespace

bool makeSong(const std::string& nativePath, double seconds, int frequency) {
    const QString path = QString::fromStdString(nativePath);
    QDir().mkpath(QFileInfo(path).path());
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("mid")) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(midiSong(seconds)) > 1000;
    }
    const QString codec = suffix == QStringLiteral("wma")   ? QStringLiteral("wmav2")
                          : suffix == QStringLiteral("wav") ? QStringLiteral("pcm_s16le")
                                                            : QStringLiteral("libmp3lame");
    Spawned ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-f"),
                  QStringLiteral("lavfi"), QStringLiteral("-i"),
                  QStringLiteral("sine=frequency=%1:duration=%2").arg(frequency).arg(seconds),
                  QStringLiteral("-ac"), QStringLiteral("2"), QStringLiteral("-c:a"), codec,
                  QStringLiteral("-f"), suffix == QStringLiteral("wma") ? QStringLiteral("asf") : suffix, path});
    return ffmpeg.waitFinished(30000) && ffmpeg.exitCode() == 0 && QFileInfo(path).size() > 1000;
}

}  // namespace zorvik::testing
