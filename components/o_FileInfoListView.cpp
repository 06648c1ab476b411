#include "components/o_FileInfoListView.h"

#include "components/o_FileInfo.h"
#include "toolkit/AppError.h"

#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>

TqvFileInfoListView::TqvFileInfoListView(QWidget* parent)
    : QTreeWidget(parent)
{
    // A plain report: no tree lines, whole rows selected, nothing editable.
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The columns keep the widths they are given.
    header()->setStretchLastSection(false);
    m_fileInfo = new TqvFileInfo(this);
    resize(254, 166);
    // A parent given here arrives before this class exists, so no parent
    // change reaches event(); fill now instead.
    if (parentWidget())
        FillInfo();
}

void TqvFileInfoListView::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    if (!fileName.trimmed().isEmpty() && !QFileInfo(fileName).isFile())
        throw AppError(QStringLiteral("%1 file does not exist!").arg(fileName));
    m_fileInfo->setFileName(fileName);
    FillInfo();
}

void TqvFileInfoListView::FillInfo()
{
    clear();
    setColumnCount(0);
    setHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
    const int half = width() / 2;
    setColumnWidth(0, half);
    setColumnWidth(1, half);

    const TqvFileInfo& info = *m_fileInfo;
    const std::pair<const char*, QString> rows[] = {
        {"CompanyName", info.CompanyName()},
        {"File Description", info.FileDescription()},
        {"FileName", info.FileName()},
        {"File Version", info.FileVersion()},
        {"Internal Name", info.InternalName()},
        {"Legal Copyright", info.LegalCopyright()},
        {"Legal TradeMarks", info.LegalTrademarks()},
        {"Original Filename", info.OriginalFilename()},
        {"Product Name", info.ProductName()},
        {"Product Version", info.ProductVersion()},
    };
    QList<QTreeWidgetItem*> items;
    for (const auto& [caption, value] : rows)
        items.append(new QTreeWidgetItem({QString::fromLatin1(caption), value}));
    addTopLevelItems(items);
}

bool TqvFileInfoListView::event(QEvent* event)
{
    const bool handled = QTreeWidget::event(event);
    if (event->type() == QEvent::ParentChange && parentWidget())
        FillInfo();
    return handled;
}
