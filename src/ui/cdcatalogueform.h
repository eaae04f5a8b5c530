#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "library/cdcatalogue.h"

class QFont;
class QLineEdit;
class QListView;
class QPrinter;
class QPushButton;

namespace zorvik::core {
class Settings;
}

namespace zorvik::ui {

// CD catalogue window "Brask搜歌 之 CD目录": names from a file dialog, a
// catalogue laid out under a live header, the shop's address and telephone
// (kept in the settings file at every change) and printing. Created at
// start-up, shown on demand, never modal; closing it hides it and the lists
// stay.
class TCDMuLuForm final : public QWidget {
    Q_OBJECT
public:
    explicit TCDMuLuForm(core::Settings& settings, QWidget* parent = nullptr);
    ~TCDMuLuForm() override;

    // Shows the window, brought forward.
    void open();
    // "添加": the file dialog; cancelled, nothing changes.
    void chooseFiles();
    // "打印": the print dialog, then the job on the chosen printer.
    void print();
    // The job itself. A failure goes to the error box and the printing stops
    // there; returns whether the whole catalogue went out.
    bool printTo(QPrinter& printer);
    // The font of the printed lines: the catalogue list's at 12 points.
    QFont printFont() const;

    library::CdCatalogue& catalogue() { return catalogue_; }
    QListView* nameList() const { return nameList_; }
    QListView* catalogueList() const { return catalogueList_; }
    QLineEdit* headerField() const { return header_; }
    QLineEdit* addressField() const { return address_; }
    QLineEdit* telephoneField() const { return telephone_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* layOutButton() const { return layOutButton_; }
    QPushButton* printButton() const { return printButton_; }
    // The printer the print dialog sets up; it keeps its settings between
    // prints. Made at first use: it loads the print system.
    QPrinter& printer();

private:
    core::Settings& settings_;
    library::CdCatalogue catalogue_;
    std::unique_ptr<QPrinter> printer_;
    QString lastFolder_;

    QListView* nameList_;
    QListView* catalogueList_;
    QLineEdit* header_;
    QLineEdit* address_;
    QLineEdit* telephone_;
    QPushButton* addButton_;
    QPushButton* layOutButton_;
    QPushButton* printButton_;
};

}  // namespace zorvik::ui
