#include "monitor/ContextInterface.h"

#include "glvocab/GLVocabulary.h"
#include "monitor/Message.h"
#include "ui_ContextInterface.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>

#include <algorithm>
#include <iterator>
#include <vector>

namespace layout = ui::messages::layout;
using ui::messages::Message;

ContextInterface::ContextInterface(QWidget* parent, const Message& contextInfo)
    : QWidget(parent), ui(new Ui::ContextInterface)
{
    ui->setupUi(this);
    ui->table_context_info_es_extensions->horizontalHeader()->setStretchLastSection(true);
    ui->table_context_info_es_extensions->verticalHeader()->hide();
    // A status reads on one line; a wrapped one would be cut by the row's height.
    ui->table_context_info_es_extensions->setWordWrap(false);
    ui->table_context_info_es_extensions->viewport()->installEventFilter(this);
    fill(contextInfo);
}

ContextInterface::~ContextInterface()
{
    delete ui;
}

ContextInterface* ContextInterface::addPage(QTabWidget* tabs, const Message& contextInfo,
                                            int maxPages)
{
    if (tabs->count() >= maxPages) {
        QWidget* oldest = tabs->widget(0);
        tabs->removeTab(0);
        delete oldest;
        showRemovalNotice(tabs);
    }
    auto* page = new ContextInterface(tabs, contextInfo);
    const auto id = static_cast<qint64>(contextInfo.u64(layout::contextId));
    tabs->addTab(page, tr("Context ") + QString::number(id));
    return page;
}

void ContextInterface::showRemovalNotice(QTabWidget* tabs)
{
    if (tabs->cornerWidget(Qt::TopRightCorner))
        return;
    auto* notice = new QLabel(removalNotice(), tabs);
    notice->setObjectName(QStringLiteral("lblContextPagesNotice"));
    notice->setContentsMargins(6, 0, 4, 0);
    tabs->setCornerWidget(notice, Qt::TopRightCorner);
    notice->show();
}

QString ContextInterface::removalNotice()
{
    return tr("Older context pages were removed.");
}

bool ContextInterface::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize &&
        watched == ui->table_context_info_es_extensions->viewport())
        fitStatusColumn();
    return QWidget::eventFilter(watched, event);
}

// The status column takes the width the names leave, but never less than its longest text: a
// narrow table scrolls rather than cut a status.
void ContextInterface::fitStatusColumn()
{
    QTableWidget* table = ui->table_context_info_es_extensions;
    QHeaderView* header = table->horizontalHeader();
    const int needed = std::max(static_cast<QAbstractItemView*>(table)->sizeHintForColumn(1),
                                header->sectionSizeHint(1));
    const bool fits = needed <= table->viewport()->width() - header->sectionSize(0);
    if (header->stretchLastSection() != fits)
        header->setStretchLastSection(fits);
    if (!fits)
        header->resizeSection(1, needed);
}

void ContextInterface::fill(const Message& frame)
{
    ui->lbl_context_info_es_version_val->setText(
        QString::fromUtf8(esVersionName(frame.u32(layout::contextESVersion))));
    ui->lbl_context_info_gl_version_val->setText(
        QString::fromUtf8(glVersionName(frame.u32(layout::contextHostGLVersion))));
    ui->lbl_context_info_glsl_version_val->setText(
        QString::fromUtf8(glslVersionName(frame.u32(layout::contextHostGLSLVersion), false)));
    const std::uint32_t glslEs = frame.u32(layout::contextGLSLESVersion);
    ui->lbl_context_info_glsl_es_version_val->setText(
        glslEs == 0 ? tr("None") : QString::fromUtf8(glslESVersionName(glslEs)));

    // Each list is read up to its own end: a peer that leaves one unterminated must not make
    // it run on into the next.
    const struct
    {
        std::size_t offset;
        QString status;
    } lists[] = {
        {layout::contextSupported, tr("Yes")},
        {layout::contextMissingOnHost, tr("Not supported by the host system")},
        {layout::contextNotSupported, tr("Not currently supported by KolZendra")},
    };
    QTableWidget* table = ui->table_context_info_es_extensions;
    // All rows are made at once: a row at a time costs the view its bookkeeping per row, which
    // adds up to tens of milliseconds for full lists.
    std::vector<std::uint32_t> ids[std::size(lists)];
    int rows = 0;
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        ids[i] = frame.idList(lists[i].offset, layout::contextESListRoom);
        rows += int(ids[i].size());
    }
    table->setRowCount(rows);
    int row = 0;
    for (std::size_t i = 0; i < std::size(lists); ++i) {
        for (const std::uint32_t id : ids[i]) {
            auto* name = new QTableWidgetItem(QString::fromUtf8(esExtensionName(id, false)));
            auto* status = new QTableWidgetItem(lists[i].status);
            name->setFlags(name->flags() & ~Qt::ItemIsEditable);
            status->setFlags(status->flags() & ~Qt::ItemIsEditable);
            table->setItem(row, 0, name);
            table->setItem(row, 1, status);
            ++row;
        }
    }

    QStringList hostExtensions;
    for (const std::uint32_t id :
         frame.idList(layout::contextHostExtensions, layout::contextHostListRoom))
        hostExtensions.append(QString::fromUtf8(glExtensionName(id)));
    ui->list_context_info_gl_extensions->addItems(hostExtensions);

    ui->lbl_context_info_es_extensions_val->setText(QString::number(table->rowCount()));
    ui->lbl_context_info_gl_extensions_val->setText(
        QString::number(ui->list_context_info_gl_extensions->count()));
    if (frame.u8(layout::contextStrict) == 0)
        ui->grp_context_info_es->setTitle(tr("OpenGL ES (Emulated) (Loose mode)"));
    table->resizeColumnsToContents();
    fitStatusColumn();
}
