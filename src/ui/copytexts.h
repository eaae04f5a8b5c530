#pragma once

#include <QString>
#include <optional>

#include "orders/copylane.h"

// What the order lists' tabs and the status bar say of copies. Each list words
// its progress in its own way, as the shop's station did.
namespace zorvik::ui::copytexts {

// "清单1 下载完成！" for list 1, and so on; a job that did not copy
// everything says how many it left out instead.
QString doneText(int list, int notCopied = 0);
// The second panel of the status bar at the end of a job that did not copy
// everything, for every list: it never reads as done.
QString notCopiedPanelText(int list, int notCopied);
// The progress text of the file under way.
QString progressText(int list, const orders::CopyProgress& progress);
// What the second panel of the status bar shows for the file under way, if
// anything (lists 2 and 4).
std::optional<QString> secondPanelForFile(int list, const orders::CopyProgress& progress);
// ... at the end of a batch (lists 3 and 5), and at the end of the immediate
// queue (list 1).
std::optional<QString> secondPanelAtBatchEnd(int list);
std::optional<QString> secondPanelAtImmediateEnd(int list);

// Why a file was not copied, in the station's words.
QString failureReason(platform::CopyFailure failure, int error);
// The message at the end of a job that did not copy everything: `job` names
// it ("清单2", "复制到本地磁盘"), then one line per file.
QString notCopiedText(const QString& job, const orders::CopyFailures& failures);

}  // namespace zorvik::ui::copytexts
