#include "search/websearch.h"

namespace zorvik::search {

QUrl webSearchAddress(WebService service, const QString& keyword) {
    // Everything but letters, digits and "-._~" is escaped.
    const QByteArray word = QUrl::toPercentEncoding(keyword);
    QByteArray address;
    if (service == WebService::Baidu)
        address = "http://mp3.baidu.com/m?f=ms&tn=baidump3&ct=134217728&lf=&rn=&word=" + word + "&lm=0";
    else
        address = "http://mp3.sogou.com/music.so?query=" + word + "&class=1&sid=suggest";
    return QUrl::fromEncoded(address, QUrl::StrictMode);
}

void WebSearchKeywords::sentToBoth(const QString& keyword) { last_.fill(keyword); }

bool WebSearchKeywords::takeFieldText(WebService service, const QString& field) {
    QString& last = last_[index(service)];
    if (field.isEmpty() || field == last) return false;
    last = field;
    return true;
}

}  // namespace zorvik::search
