#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <string>
#include <string_view>

#include "library/layout.h"

namespace zorvik::core {
class Cues;
}

namespace zorvik::library {

class HotList;
class Listings;

// A kind of new arrivals: its button on the new-arrivals bar and the folder
// the shop moves new files into.
struct NewArrivalKind {
    std::string_view caption;
    std::string_view category;   // category folder
    std::string_view subfolder;  // new-arrival folder in it
};
inline constexpr std::array<NewArrivalKind, 5> kNewArrivalKinds{{
    {"音乐", "1-音乐", "新增歌曲"},
    {"电影", "3-电影", "新增电影"},
    {"MTV", "2-MTV", "新增MTV"},
    {"连续剧", "4-连续剧", "新增连续剧"},
    {"生活片", "8-伦理片", "新增生活片"},
}};
// Only library drives 1 to 3 hold new arrivals.
inline constexpr int kNewArrivalDrives = 3;

// letter + ":\Brask搜歌库\" + category + "\" + subfolder + "\".
std::string newArrivalFolder(std::string_view letter, const NewArrivalKind& kind);

// The two listings that spare the operator a search: new arrivals of one
// kind, and the hot ranking, most copied first. Both fill the result list,
// so everything that works on results works on them.
class ReadyListings final : public QObject {
    Q_OBJECT
public:
    ReadyListings(Listings& listings, core::Cues& cues, const LibraryDrives& drives,
                  HotList& hotList, QObject* parent = nullptr);

    // A button of the new-arrivals bar (0 ... 4): the kind's folders on
    // drives 1 to 3 are made where missing, then walked on a worker, drive 1
    // first, subfolders included. Nothing found: cue 5.
    void showNewArrivals(int kind);

    // "热门排行": the hot list backwards, most copied first. False, with the
    // message "对不起，目前还没有记录", when there is nothing to show; the
    // result list then stays as it was.
    bool showHotRanking();

Q_SIGNALS:
    void message(const QString& text);
    // A listing here found `hits` files (after the last row).
    void finished(qint64 hits);

private:
    Listings& listings_;
    core::Cues& cues_;
    const LibraryDrives& drives_;
    HotList& hotList_;
};

}  // namespace zorvik::library
