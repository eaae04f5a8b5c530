#pragma once

#include <QIcon>
#include <QWidget>

#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeView;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

class ResultsPanel;

// The device file manager in the results group, under the result list: the
// path box, the folder tree and the file list, with the folder label and the
// buttons "本地磁盘" and "U盘管理" of the group's foot row. It is in view only
// while the result list is hidden; whatever shows the result list again
// puts it back.
class FileManagerPanel final : public QWidget {
    Q_OBJECT
public:
    FileManagerPanel(app::Station& station, ResultsPanel& results);

    QComboBox* pathBox() const { return pathBox_; }
    QTreeView* folderTree() const { return tree_; }
    QTreeView* fileList() const { return list_; }
    QLabel* folderLabel() const { return folderLabel_; }
    QPushButton* localDiskButton() const { return localDisk_; }
    QPushButton* removableDiskButton() const { return removableDisk_; }
    // The list's selected rows, top to bottom.
    std::vector<int> selectedRows() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut();
    void fillPathBox();
    void showForward(bool forward);
    void showRoot(const QString& root);
    void showMenu(const QPoint& at);
    void choosePathBoxText();

    app::Station& station_;
    ResultsPanel& results_;
    QComboBox* pathBox_;
    QTreeView* tree_;
    QTreeView* list_;
    QLabel* folderLabel_;
    QPushButton* localDisk_;
    QPushButton* removableDisk_;
    QIcon computerIcon_;
    QIcon fixedDriveIcon_;
    QIcon removableDriveIcon_;
};

}  // namespace zorvik::ui
