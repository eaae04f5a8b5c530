#pragma once

#include <QCollator>
#include <QString>
#include <QStringView>

namespace zorvik::storage {

// Names in the order a Chinese Windows file view sorts them: symbols, then
// numbers by their value ("2" before "10"), then letters without regard to
// case, then Chinese characters by their pinyin. Reentrant, not thread-safe:
// one per thread.
class ExplorerOrder final {
public:
    ExplorerOrder();

    int compare(QStringView a, QStringView b) const;
    bool operator()(const QString& a, const QString& b) const { return compare(a, b) < 0; }

private:
    QCollator pinyin_;
};

}  // namespace zorvik::storage
