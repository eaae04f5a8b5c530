#include "ui/playerpanel.h"

#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "app/station.h"
#include "platform/mastervolume.h"
#include "player/previewplayer.h"
#include "ui/keypicks.h"

namespace zorvik::ui {

namespace {

constexpr int kPlaylistItemHeight = 20;
constexpr int kVolumeStart = 40000;
constexpr int kVolumeStep = 2000;

// Rows of the playlist box, 20 pixels high.
class PlaylistItems final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), kPlaylistItemHeight};
    }
};

QLabel* label(QWidget* parent, const char* name, const QString& text, QRect at) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(at);
    return l;
}

// Reachable with Tab as on the shop's station, so the keys move it too; and
// Right or Up is more (louder, later). A QScrollBar inverts its keys for the
// sake of vertical scrolling, which turned Right into quieter.
void upIsMore(QScrollBar* bar) {
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->setInvertedControls(false);
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QString& hint, QRect at) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setGeometry(at);
    return b;
}

}  // namespace

PlayerPanel::PlayerPanel(app::Station& station, QWidget* parent) : QWidget(parent), station_(station) {
    setObjectName(QStringLiteral("playerPanel"));
    build();
    showDisplay();

    auto& preview = station_.preview();
    connect(&preview, &player::PreviewPlayer::displayChanged, this, &PlayerPanel::showDisplay);
    connect(play_, &QPushButton::clicked, &preview, &player::PreviewPlayer::requestPlay);
    connect(pause_, &QPushButton::clicked, &preview, &player::PreviewPlayer::togglePause);
    connect(stop_, &QPushButton::clicked, &preview, &player::PreviewPlayer::stop);
    // Only the operator's moves arrive: showDisplay() sets the bar with its
    // signals blocked. A drag seeks where the handle is let go.
    connect(seekBar_, &QScrollBar::valueChanged, &preview, [this, &preview](int value) {
        if (!seekBar_->isSliderDown()) preview.seekBarMoved(value);
    });
    connect(seekBar_, &QScrollBar::sliderReleased, &preview, [this, &preview] { preview.seekBarMoved(seekBar_->value()); });
    connect(compact_, &QPushButton::clicked, this, [this] { Q_EMIT windowWidthRequested(kCompactWidth); });
    connect(full_, &QPushButton::clicked, this, [this] { Q_EMIT windowWidthRequested(kFullWidth); });
    // The start value is set before this, so the system volume stays as it
    // is until the operator moves the bar.
    connect(volumeBar_, &QScrollBar::valueChanged, this, [this](int value) { station_.setMasterVolume(value); });

    connect(playlist_, &QListView::clicked, &preview, &player::PreviewPlayer::makePlaylistEntryCurrent);
    pickWithKeys(playlist_, [&preview](const QModelIndex&) { preview.makePlaylistEntryCurrent(); });
    connect(playlist_, &QListView::doubleClicked, &preview, &player::PreviewPlayer::requestPlay);
    connect(playlist_, &QWidget::customContextMenuRequested, this, &PlayerPanel::showPlaylistMenu);
    connect(&preview.playlistSelection(), &QItemSelectionModel::currentChanged, playlist_,
            [this](const QModelIndex& index) { playlist_->scrollTo(index); });
}

void PlayerPanel::build() {
    title_ = label(this, "Label10", QString(), {6, 12, 189, 18});
    title_->setStyleSheet(QStringLiteral("color: red;"));
    title_->setAccessibleName(QStringLiteral("标题"));

    // The position: navy figures over a white field.
    auto* field = label(this, "Label14", QString(), {6, 32, 189, 44});
    field->setStyleSheet(QStringLiteral("background: white; border: 1px solid gray;"));
    position_ = label(this, "Label8", QString(), {6, 32, 150, 44});
    QFont figures(QStringLiteral("Courier New"));
    figures.setStyleHint(QFont::Monospace);
    figures.setBold(true);
    figures.setPixelSize(34);
    position_->setFont(figures);
    position_->setAlignment(Qt::AlignCenter);
    position_->setStyleSheet(QStringLiteral("color: navy; background: transparent;"));
    position_->setAccessibleName(QStringLiteral("位置"));
    auto* stereo = label(this, "stereoLabel", QStringLiteral("立体声"), {154, 36, 40, 16});
    stereo->setStyleSheet(QStringLiteral("color: navy; background: transparent; font-size: 11px;"));

    length_ = label(this, "Label11", QString(), {154, 56, 40, 16});
    length_->setStyleSheet(QStringLiteral("color: red; background: transparent; font-size: 11px;"));
    length_->setAccessibleName(QStringLiteral("长度"));
    state_ = label(this, "Label9", QString(), {6, 80, 120, 18});
    state_->setAccessibleName(QStringLiteral("状态"));

    seekBar_ = new QScrollBar(Qt::Horizontal, this);
    seekBar_->setObjectName(QStringLiteral("ScrollBar1"));
    seekBar_->setAccessibleName(QStringLiteral("播放进度"));
    seekBar_->setGeometry(6, 102, 189, 17);
    seekBar_->setRange(0, 10'000'000);
    seekBar_->setSingleStep(300);
    seekBar_->setPageStep(32'000);
    upIsMore(seekBar_);

    play_ = button(this, "playButton", QStringLiteral("播放"), QStringLiteral("播放歌曲"), {6, 124, 40, 24});
    pause_ = button(this, "pauseButton", player::kPauseCaption, QStringLiteral("暂停播放"), {48, 124, 40, 24});
    stop_ = button(this, "stopButton", QStringLiteral("停止"), QStringLiteral("停止播放"), {90, 124, 40, 24});
    compact_ = button(this, "compactButton", QStringLiteral("PL"), QString(), {135, 124, 29, 24});
    full_ = button(this, "fullButton", QStringLiteral("XZ"), QString(), {166, 124, 29, 24});

    label(this, "volumeLabel", QStringLiteral("音量"), {6, 154, 32, 17});
    volumeBar_ = new QScrollBar(Qt::Horizontal, this);
    volumeBar_->setObjectName(QStringLiteral("ScrollBar2"));
    volumeBar_->setAccessibleName(QStringLiteral("音量"));
    volumeBar_->setGeometry(40, 154, 155, 17);
    volumeBar_->setRange(0, platform::MasterVolume::kFullScale);
    volumeBar_->setSingleStep(kVolumeStep);
    volumeBar_->setPageStep(kVolumeStep);
    volumeBar_->setValue(kVolumeStart);
    upIsMore(volumeBar_);

    playlist_ = new QListView(this);
    playlist_->setObjectName(QStringLiteral("ListBox9"));
    playlist_->setAccessibleName(QStringLiteral("播放列表"));
    playlist_->setToolTip(QStringLiteral("双击为播放  "));
    playlist_->setGeometry(6, 178, 189, 380);
    playlist_->setModel(&station_.preview().playlist());
    playlist_->setSelectionModel(&station_.preview().playlistSelection());
    playlist_->setSelectionMode(QAbstractItemView::SingleSelection);
    playlist_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    playlist_->setUniformItemSizes(true);
    playlist_->setItemDelegate(new PlaylistItems(playlist_));
    playlist_->setContextMenuPolicy(Qt::CustomContextMenu);
}

void PlayerPanel::showDisplay() {
    const auto& d = station_.preview().display();
    // A name too long for the line ends in "…" rather than being cut off
    // mid-character; the hint holds the whole of it.
    const QString shown = title_->fontMetrics().elidedText(d.title, Qt::ElideRight, title_->contentsRect().width());
    title_->setText(shown);
    title_->setToolTip(shown == d.title ? QString() : d.title);
    position_->setText(d.position);
    length_->setText(d.length);
    state_->setText(d.state);
    {
        QSignalBlocker quiet(seekBar_);
        seekBar_->setMaximum(static_cast<int>(std::min<qint64>(d.seekMaximum, INT_MAX)));
        // The operator's drag is not fought by the position tick.
        if (!seekBar_->isSliderDown()) seekBar_->setValue(static_cast<int>(std::min<qint64>(d.seekPosition, INT_MAX)));
    }
    play_->setEnabled(d.playEnabled);
    play_->setStyleSheet(d.playHighlighted ? QStringLiteral("QPushButton:enabled { color: rgb(0, 255, 255); }") : QString());
    pause_->setEnabled(d.pauseEnabled);
    pause_->setText(d.pauseCaption);
    stop_->setEnabled(d.stopEnabled);
}

void PlayerPanel::showPlaylistMenu(const QPoint& at) {
    auto& preview = station_.preview();
    QMenu menu(playlist_);
    QAction* play = menu.addAction(QStringLiteral("播放"));
    play->setEnabled(preview.display().playlistPlayEnabled);
    connect(play, &QAction::triggered, &preview, &player::PreviewPlayer::requestPlay);
    connect(menu.addAction(QStringLiteral("清空列表")), &QAction::triggered, &preview,
            &player::PreviewPlayer::clearPlaylist);
    connect(menu.addAction(QStringLiteral("删除")), &QAction::triggered, &preview,
            &player::PreviewPlayer::deleteSelectedPlaylistEntry);
    menu.exec(playlist_->viewport()->mapToGlobal(at));
}

}  // namespace zorvik::ui
