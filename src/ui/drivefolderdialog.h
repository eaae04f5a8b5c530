#pragma once

#include <string>
#include <vector>

class QWidget;

namespace zorvik::ui {

// "选择E盘对应的文件夹": asks which native folder drive `letter` is to name,
// starting at the machine's data disks `disks` (also offered at the side,
// with the home folder and the file system's root). Empty when cancelled.
std::string chooseDriveFolder(QWidget* parent, char letter, const std::vector<std::string>& disks);

}  // namespace zorvik::ui
