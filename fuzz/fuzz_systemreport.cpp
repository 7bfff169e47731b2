// Feeds arbitrary bytes as report frames into the report receiver and writes the report text at
// every announcement, as the "System Report" tab does.
#include "monitor/Message.h"
#include "monitor/SystemReport.h"
#include "monitor/SystemReportGUIReceiver.h"
#include "monitor/SystemReportText.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using ui::messages::Message;
    static int argc = 1;
    static char name[] = "fuzz_systemreport";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    SystemReportGUIReceiver receiver;
    QObject::connect(&receiver, &SystemReportGUIReceiver::ready, [](const SystemReport& report) {
        const std::string full = formatSystemReport(report, true);
        const std::string brief = formatSystemReport(report, false);
        // The report stays within its bounds, and a text that was cut short says so.
        if (report.features.size() > SystemReport::maxFeatures ||
            report.hostExtensions.size() > SystemReport::maxKeys ||
            report.bytesHeld() > SystemReport::maxBytes)
            __builtin_trap();
        const bool cut = full.rfind(systemReportCutShortNotice, 0) == 0;
        if ((report.isCutShort() && !cut) ||
            (cut && !report.isCutShort() && full.size() < systemReportTextLimit))
            __builtin_trap();
        // Without the host extensions the text is exactly a prefix of the full one.
        if (!cut && full.compare(0, brief.size(), brief) != 0)
            __builtin_trap();
    });

    // Short inputs are padded with zeros; the type is steered into the report range so that
    // the fuzzer spends its time on payloads rather than on finding type codes.
    char frame[Message::Size];
    for (std::size_t offset = 0; offset < size; offset += Message::Size) {
        const std::size_t n = std::min(Message::Size, size - offset);
        std::memset(frame, 0, sizeof frame);
        std::memcpy(frame, data + offset, n);
        Message message = Message::fromBytes(frame);
        message.setType(ui::messages::ReportGLVersion + message.type() % 7);
        receiver.receive(message);
    }
    receiver.receive(Message::makeReportComplete());
    return 0;
}
