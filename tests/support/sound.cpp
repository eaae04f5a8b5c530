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
                     QStringLiteral("--rate=22050"), QStringLiteral("--channels=1"),
                     QStringLiteral("--latency-msec=50")},
                    sound_.filePath(QStringLiteral("sink.raw")), /*withErrors=*/false);
}

Recording::~Recording() = default;

double Recording::peak() {
    if (peak_ >= 0) return peak_;
    recorder_.terminate();
    recorder_.waitFinished(3000);
    const QByteArray bytes = readAll(sound_.filePath(QStringLiteral("sink.raw")));
    int loudest = 0;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto sample = static_cast<qint16>(static_cast<quint8>(bytes[i]) | (static_cast<quint8>(bytes[i + 1]) << 8));
        loudest = std::max(loudest, std::abs(static_cast<int>(sample)));
    }
    peak_ = loudest / 32768.0;
    return peak_;
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
