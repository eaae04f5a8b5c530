#pragma once

#include <QWidget>

#include "search/websearch.h"

class QLineEdit;
class QPushButton;

namespace zorvik::ui {

class WebPane;

// Web search window "  Brask搜歌 ----网  络  搜  索": the keyword field, the
// service buttons and two browsers at the same place, one visible at a time
// (B over A at first). Created at start-up, shown on demand, never modal;
// closing it hides it and the pages stay.
class Twang final : public QWidget {
    Q_OBJECT
public:
    explicit Twang(QWidget* parent = nullptr);

    // "网上搜索" in the main window: both services search for the keyword
    // and the window comes up in its normal state, showing the same
    // service as before.
    void webSearch(const QString& keyword);
    // "百度" / "搜狗": searches the service again when the field's keyword is
    // new to it, and brings its page forward.
    void showService(search::WebService service);
    // "复制": the text marked in page A, then in page B, into the field and
    // the clipboard.
    void copyMarked();

    QLineEdit* keywordField() const { return keyword_; }
    WebPane* pane(search::WebService service) const;
    const search::WebSearchKeywords& keywords() const { return keywords_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void bringUp();

    search::WebSearchKeywords keywords_;
    QLineEdit* keyword_;
    WebPane* paneA_;
    WebPane* paneB_;
};

}  // namespace zorvik::ui
