#pragma once

#include <QListWidget>

namespace zorvik::ui {

// The shop's short instructions over the result list, shown until the first
// hit comes in.
class IntroList final : public QListWidget {
    Q_OBJECT
public:
    explicit IntroList(QWidget* parent);

    // Hides the list once a listing has rows; it does not come back.
    void resultCountChanged(int rows);
};

}  // namespace zorvik::ui
