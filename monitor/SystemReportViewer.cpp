#include "monitor/SystemReportViewer.h"
#include "ui_SystemReportViewer.h"

#include "monitor/SystemReport.h"
#include "monitor/SystemReportText.h"

SystemReportViewer::SystemReportViewer(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::SystemReportViewer>())
{
    ui->setupUi(this);
}

SystemReportViewer::~SystemReportViewer() = default;

QPlainTextEdit* SystemReportViewer::textBox() const
{
    return ui->txtReport;
}

void SystemReportViewer::setReport(const SystemReport& systemReport)
{
    // Applications report again and again, mostly the same; making and laying out an unchanged
    // text anew would cost time on every report and throw the reader back to the top.
    if (m_shownRevision == systemReport.revision())
        return;
    m_shownRevision = systemReport.revision();
    std::string text = formatSystemReport(systemReport, true);
    if (text == m_shownText)
        return;
    m_shownText = std::move(text);
    ui->txtReport->setPlainText(
        QString::fromUtf8(m_shownText.data(), static_cast<qsizetype>(m_shownText.size())));
}

void SystemReportViewer::setFont(const QFont& font)
{
    ui->txtReport->setFont(font);
}
