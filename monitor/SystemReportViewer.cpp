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
    const std::string text = formatSystemReport(systemReport, true);
    ui->txtReport->setPlainText(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void SystemReportViewer::setFont(const QFont& font)
{
    ui->txtReport->setFont(font);
}
