#pragma once

#include <QString>
#include <QUrl>

#include <array>

namespace zorvik::search {

// The two public music search services of the web search window, in the
// order of their buttons.
enum class WebService : int { Baidu = 0, Sogou = 1 };

// The address of a service's result page for a keyword. The keyword is
// percent-encoded as UTF-8, so "&", "#", "+" or a blank in a title stay part
// of the keyword instead of ending it or adding parameters.
QUrl webSearchAddress(WebService service, const QString& keyword);

// The last keyword each service was sent, and whether a service's own button
// has to search again.
class WebSearchKeywords {
public:
    // "网上搜索" in the main window: both services search for the keyword,
    // whatever it holds.
    void sentToBoth(const QString& keyword);
    // A service's button with the keyword field's text: true when the
    // service must load the text (it is then its last keyword); an empty
    // field or an unchanged keyword only brings the service's page forward.
    bool takeFieldText(WebService service, const QString& field);
    const QString& last(WebService service) const { return last_[index(service)]; }

private:
    static size_t index(WebService service) { return static_cast<size_t>(service); }
    std::array<QString, 2> last_;
};

}  // namespace zorvik::search
