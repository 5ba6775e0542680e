#include "ui/ListCtrl.h"

#include "ui/ImageList.h"
#include "ui/Private.h"

#include <QHeaderView>
#include <QIcon>
#include <QTreeWidget>

using namespace uiimpl;

namespace {
QTreeWidget* Tree(const CWnd* wnd) {
    return qobject_cast<QTreeWidget*>(wnd->GetWidget());
}
} // namespace

bool CListCtrl::Create(CWnd* parent, int id) {
    if (parent == nullptr || parent->GetWidget() == nullptr)
        return false;
    auto* tree = new QTreeWidget(parent->GetWidget());
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setColumnCount(0);
    tree->setHeaderLabels({});
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setAllColumnsShowFocus(true);
    tree->header()->setStretchLastSection(false);
    tree->header()->setSectionsMovable(false);
    tree->setIconSize(QSize(16, 16));
    AttachWidget(tree, parent, id);
    tree->resize(200, 100);
    tree->show();
    ApplyColors();
    return true;
}

int CListCtrl::InsertColumn(int column, const std::string& heading, int format, int width) {
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr || column < 0)
        return -1;
    QTreeWidgetItem* header = tree->headerItem();
    const int count = tree->columnCount();
    const int at = std::min(column, count);
    QStringList labels;
    std::vector<int> widths;
    for (int i = 0; i < count; ++i) {
        labels << header->text(i);
        widths.push_back(tree->columnWidth(i));
    }
    labels.insert(at, Q(heading));
    widths.insert(widths.begin() + at, width >= 0 ? width : 100);
    tree->setColumnCount(count + 1);
    tree->setHeaderLabels(labels);
    for (int i = 0; i < count + 1; ++i)
        tree->setColumnWidth(i, widths[static_cast<std::size_t>(i)]);
    const Qt::Alignment align = format == LVCFMT_RIGHT    ? Qt::AlignRight
                                : format == LVCFMT_CENTER ? Qt::AlignHCenter
                                                          : Qt::AlignLeft;
    header->setTextAlignment(at, align | Qt::AlignVCenter);
    return at;
}

bool CListCtrl::SetColumnWidth(int column, int width) {
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr || column < 0 || column >= tree->columnCount())
        return false;
    tree->setColumnWidth(column, width);
    return true;
}

int CListCtrl::GetColumnWidth(int column) const {
    const QTreeWidget* tree = Tree(this);
    if (tree == nullptr || column < 0 || column >= tree->columnCount())
        return 0;
    return tree->columnWidth(column);
}

int CListCtrl::InsertItem(int index, const std::string& text, int image) {
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr || index < 0)
        return -1;
    const int at = std::min(index, tree->topLevelItemCount());
    auto* item = new QTreeWidgetItem();
    item->setText(0, Q(text));
    item->setData(0, Qt::UserRole, image);
    if (m_images != nullptr && image >= 0 && image < m_images->GetImageCount())
        item->setIcon(0, QIcon(QPixmap::fromImage(
                             m_images->Private().images[static_cast<std::size_t>(image)])));
    for (int c = 0; c < std::max(1, tree->columnCount()); ++c)
        item->setForeground(c, Color(m_textColor));
    tree->insertTopLevelItem(at, item);
    return at;
}

bool CListCtrl::SetItemText(int item, int subItem, const std::string& text) {
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr || item < 0 || item >= tree->topLevelItemCount() || subItem < 0 ||
        subItem >= std::max(1, tree->columnCount()))
        return false;
    QTreeWidgetItem* row = tree->topLevelItem(item);
    row->setText(subItem, Q(text));
    row->setForeground(subItem, Color(m_textColor));
    return true;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    const QTreeWidget* tree = Tree(this);
    if (tree == nullptr || item < 0 || item >= tree->topLevelItemCount() || subItem < 0)
        return {};
    return S(tree->topLevelItem(item)->text(subItem));
}

int CListCtrl::GetItemImage(int item) const {
    const QTreeWidget* tree = Tree(this);
    if (tree == nullptr || item < 0 || item >= tree->topLevelItemCount())
        return -1;
    return tree->topLevelItem(item)->data(0, Qt::UserRole).toInt();
}

int CListCtrl::GetItemCount() const {
    const QTreeWidget* tree = Tree(this);
    return tree == nullptr ? 0 : tree->topLevelItemCount();
}

bool CListCtrl::DeleteItem(int item) {
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr || item < 0 || item >= tree->topLevelItemCount())
        return false;
    delete tree->takeTopLevelItem(item);
    return true;
}

bool CListCtrl::DeleteAllItems() {
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr)
        return false;
    tree->clear();
    return true;
}

void CListCtrl::ApplyColors() {
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr)
        return;
    QPalette palette = tree->palette();
    palette.setColor(QPalette::Base, Color(m_bkColor));
    palette.setColor(QPalette::AlternateBase, Color(m_textBkColor));
    palette.setColor(QPalette::Text, Color(m_textColor));
    tree->setPalette(palette);
    // Every row takes the current text colour, as the list view draws all
    // its items in one colour.
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        for (int c = 0; c < std::max(1, tree->columnCount()); ++c)
            tree->topLevelItem(i)->setForeground(c, Color(m_textColor));
}

void CListCtrl::SetImageList(const CImageList* images, int) {
    m_images = images;
    QTreeWidget* tree = Tree(this);
    if (tree == nullptr || images == nullptr)
        return;
    const CSize size = images->GetImageSize();
    if (size.cx > 0)
        tree->setIconSize(QSize(size.cx, size.cy));
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tree->topLevelItem(i);
        const int image = item->data(0, Qt::UserRole).toInt();
        if (image >= 0 && image < images->GetImageCount())
            item->setIcon(0, QIcon(QPixmap::fromImage(
                                 images->Private().images[static_cast<std::size_t>(image)])));
    }
}
