#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QFont;
class QPlainTextEdit;
class SystemReport;

namespace Ui {
class SystemReportViewer;
}

// The "System Report" tab: the last announced report as plain text.
class SystemReportViewer : public QWidget
{
    Q_OBJECT

public:
    explicit SystemReportViewer(QWidget* parent = nullptr);
    ~SystemReportViewer() override;

    QPlainTextEdit* textBox() const;

public slots:
    void setReport(const SystemReport& systemReport);
    // The console font applies to the text only, not to the widget and its children.
    void setFont(const QFont& font);

private:
    std::unique_ptr<Ui::SystemReportViewer> ui;
    std::optional<std::uint64_t> m_shownRevision; // none until the first report
    std::string m_shownText;
};
