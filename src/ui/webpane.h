#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>

class QLabel;

namespace zorvik::ui {

// One browser of the web search window. The web engine is heavy, so the
// browser is made only when it is first needed (the window's first show or
// load), from a module loaded then; until then the pane is a plain widget.
// Without the engine (a build without Qt WebEngine, or the module missing)
// the pane says that web search is not available and why.
class WebPane final : public QWidget {
    Q_OBJECT
public:
    explicit WebPane(QWidget* parent = nullptr);

    // Whether this build has the web engine module.
    static bool available();

    // Makes the browser, once, or the notice that there is none.
    void start();
    // Starts the browser if need be and loads the address.
    void load(const QUrl& url);
    // The text marked on the page; empty when none.
    QString selectedText() const;
    // True once a document has finished loading, whatever it shows.
    bool hasDocument() const { return hasDocument_; }
    // The browser widget (a QWebEngineView), null until started and without an engine.
    QWidget* browser() const { return browser_; }

Q_SIGNALS:
    void loadFinished(bool ok);

private Q_SLOTS:
    void documentLoaded(bool ok);

private:
    QWidget* browser_ = nullptr;
    QLabel* notice_ = nullptr;
    bool hasDocument_ = false;
};

}  // namespace zorvik::ui
