// The web engine's view, in a module of its own: the station loads it when
// the web search window is first shown, so a station that never searches the
// web never maps the engine's libraries at all.
#include <QWebEngineView>

extern "C" Q_DECL_EXPORT QWidget* zorvik_create_web_view(QWidget* parent) { return new QWebEngineView(parent); }
