#pragma once

#include <QWidget>

class QGroupBox;
class QPushButton;
class QTextEdit;

namespace zorvik::core {
class Settings;
struct ProgramFolders;
}

namespace zorvik::ui {

// About and disclaimer window "Brask搜歌手机下载系统": the about group and the
// disclaimer group at the same place, the disclaimer on top, and "关闭".
// Which one shows is left as the last link click set it; at first the
// disclaimer. Created at start-up, shown on demand, never modal.
class TGYuForm4 final : public QWidget {
    Q_OBJECT
public:
    TGYuForm4(const core::Settings& settings, const core::ProgramFolders& folders, QWidget* parent = nullptr);

    // "关于我们" and "免责声明": show the window, brought forward, with that text.
    void showAbout();
    void showDisclaimer();

    QGroupBox* aboutGroup() const { return aboutGroup_; }
    QGroupBox* disclaimerGroup() const { return disclaimerGroup_; }
    QTextEdit* aboutText() const { return aboutText_; }
    QTextEdit* disclaimerText() const { return disclaimerText_; }
    QPushButton* closeButton() const { return closeButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void bringUp();

    const core::Settings& settings_;
    const core::ProgramFolders& folders_;
    QGroupBox* aboutGroup_;
    QGroupBox* disclaimerGroup_;
    QTextEdit* aboutText_;
    QTextEdit* disclaimerText_;
    QPushButton* closeButton_;
};

}  // namespace zorvik::ui
