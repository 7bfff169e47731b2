#pragma once

#include "monitor/SystemReport.h"

#include <QObject>

namespace ui::messages {
class Message;
}

// Anything that takes system report frames.
class SystemReportReceiver
{
public:
    virtual void receive(const ui::messages::Message& frame) = 0;

protected:
    // Never destroyed through this interface.
    ~SystemReportReceiver() = default;
};

// Collects the report frames of every connected application into one report, which it
// announces whenever an application says its report is complete.
class SystemReportGUIReceiver : public QObject, public SystemReportReceiver
{
    Q_OBJECT

public:
    explicit SystemReportGUIReceiver(QObject* parent = nullptr);
    ~SystemReportGUIReceiver() override;

    const SystemReport& systemReport() const { return report; }

signals:
    void ready(const SystemReport& systemReport);

public slots:
    void receive(const ui::messages::Message& frame) override;

private:
    SystemReport report;
};
