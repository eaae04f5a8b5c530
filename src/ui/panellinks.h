#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

namespace zorvik::ui {

// A label-like link: the window's text colour (navy in the default look)
// with a hand cursor, red while the pointer is over it. A button underneath,
// so that accessibility tools can press it.
class LinkButton final : public QAbstractButton {
    Q_OBJECT
public:
    static const QColor kHovered;

    LinkButton(const QString& text, QWidget* parent);
    QColor textColour() const { return hovered_ ? kHovered : palette().color(QPalette::WindowText); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

// The three links at the foot of the main window's left panel, left to
// right: "免责声明", "关于我们", "网站主页".
class PanelLinks final : public QWidget {
    Q_OBJECT
public:
    explicit PanelLinks(QWidget* parent);

    LinkButton* disclaimerLink() const { return disclaimer_; }
    LinkButton* aboutLink() const { return about_; }
    LinkButton* homePageLink() const { return homePage_; }

Q_SIGNALS:
    void disclaimerRequested();
    void aboutRequested();
    void homePageRequested();

private:
    LinkButton* disclaimer_;
    LinkButton* about_;
    LinkButton* homePage_;
};

}  // namespace zorvik::ui
