#include "ui/introlist.h"

namespace zorvik::ui {

IntroList::IntroList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("introList"));
    setAccessibleName(QStringLiteral("使用说明"));
    setFocusPolicy(Qt::NoFocus);
    setSelectionMode(QAbstractItemView::NoSelection);
    setWordWrap(true);
    for (const char16_t* line : {
             u"使用说明",
             u"",
             u"1. 在查找框输入歌名、歌手或关键字，按回车【Enter】查找；选上面的分类页只找这一类。",
             u"2. 勾选“编号查找”后输入编号（如 3021）按回车，找到的第一个文件直接加入清单。",
             u"3. 双击查找结果加入右边的清单；右击结果可“批量添加 到 清单”或播放试听。",
             u"4. 每位顾客用一个清单（清单1 到 清单5）。插上顾客的手机、内存卡或U盘后，"
             u"在清单页的“请选择可移动磁盘”里选它。",
             u"5. 按“下载”把清单里选中的文件复制到顾客的设备；勾选“同步下载”时每加一首就复制一首。",
             u"6. 下面的“统计”框显示各类数量和应收金额，按它收费。",
             u"7. “新增资源”“热门排行”“分类查找”列出新歌、最热门的文件和歌手分类；"
             u"“本地磁盘”“U盘管理”管理设备上的文件。",
             u"",
             u"右击窗口空白处：操作教程、皮肤、参数设置、基本设置。",
         })
        addItem(QString::fromUtf16(line));
}

void IntroList::resultCountChanged(int rows) {
    if (rows > 0) hide();
}

}  // namespace zorvik::ui
