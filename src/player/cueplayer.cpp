#include "player/cueplayer.h"

#include <QEventLoop>
#include <QThread>

#include "core/handoff.h"
#include "core/oneshot.h"
#include "platform/fileops.h"
#include "player/wavinfo.h"

namespace zorvik::player {

namespace {
constexpr int kLongestExitWaitMs = 2000;
}

QString cueFileName(int cue) {
    switch (cue) {
        case core::Cues::Startup: return QStringLiteral("启动.wav");
        case core::Cues::Select: return QStringLiteral("选定.wav");
        case core::Cues::Found: return QStringLiteral("查找.wav");
        case core::Cues::Copied: return QStringLiteral("复制.wav");
        case core::Cues::Error: return QStringLiteral("错误.wav");
        case core::Cues::Exit: return QStringLiteral("退出.wav");
        case core::Cues::Deleted: return QStringLiteral("删除.wav");
        default: return {};
    }
}

CuePlayer::CuePlayer(QString cueFolder, QObject* parent)
    : QObject(parent), folder_(std::move(cueFolder)) {
    core::makeOneShot(cueTimer_, "ShengYingTimer", 30);
    connect(&cueTimer_, &QTimer::timeout, this, &CuePlayer::fire);
}

CuePlayer::~CuePlayer() {
    // The device runs pending events as it goes: no cue may reach it then.
    cueTimer_.stop();
    MediaPlayer2.reset();
}

void CuePlayer::request(int cue) {
    if (QThread::currentThread() != thread()) {
        core::postStep(this, [this, cue] { request(cue); });
        return;
    }
    pending_ = cue;
    core::requestOnce(cueTimer_);
}

void CuePlayer::fire() {
    cueTimer_.stop();
    QString name = cueFileName(pending_);
    if (name.isEmpty()) return;
    play(pending_, folder_ + name);
}

int CuePlayer::playExitSound() {
    if (!play(Exit, folder_ + cueFileName(Exit)) || !device()) return 0;
    return kLongestExitWaitMs;
}

void CuePlayer::waitUntilQuiet(int limitMs) {
    if (!MediaPlayer2 || limitMs <= 0 || !MediaPlayer2->isPlaying()) return;
    QEventLoop wait;
    QTimer::singleShot(limitMs, &wait, &QEventLoop::quit);
    connect(this, &CuePlayer::deviceQuiet, &wait, &QEventLoop::quit);
    wait.exec();
}

platform::CueBackend* CuePlayer::device() {
    if (!probed_) {
        probed_ = true;
        if (const auto* module = platform::soundModule()) MediaPlayer2.reset(module->cue(*this));
    }
    return MediaPlayer2.get();
}

void CuePlayer::cuePlayingChanged(bool playing) {
    if (!playing) Q_EMIT deviceQuiet();
}

bool CuePlayer::play(int cue, const QString& path) {
    std::string file = path.toStdString();
    if (!platform::fileExists(file)) return false;
    std::string why = "cannot be read";
    const auto bytes = platform::readWholeFile(file);
    const auto info = bytes ? parseWav(*bytes, &why) : std::nullopt;
    if (!info) {
        Q_EMIT failed(path + QStringLiteral(": ") + QString::fromStdString(why));
        return false;
    }
    if (auto* cueDevice = device()) {
        const int frame = info->channels * info->bitsPerSample / 8;
        platform::CueSound sound;
        sound.pcm = QByteArray(bytes->data() + info->dataOffset, static_cast<qsizetype>(info->dataBytes / frame * frame));
        sound.sampleRate = info->sampleRate;
        sound.channels = info->channels;
        sound.bitsPerSample = info->bitsPerSample;
        cueDevice->play(sound);
    }
    Q_EMIT played(cue, path);
    return true;
}

}  // namespace zorvik::player
