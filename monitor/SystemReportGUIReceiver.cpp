#include "monitor/SystemReportGUIReceiver.h"

#include "monitor/Message.h"

#include <string>

namespace {

std::string textAt(const ui::messages::Message& frame, std::size_t offset)
{
    return std::string(frame.text(offset, ui::messages::layout::textCapacity));
}

} // namespace

SystemReportGUIReceiver::SystemReportGUIReceiver(QObject* parent) : QObject(parent) {}

SystemReportGUIReceiver::~SystemReportGUIReceiver() = default;

void SystemReportGUIReceiver::receive(const ui::messages::Message& frame)
{
    namespace msg = ui::messages;
    namespace at = ui::messages::layout;
    // Everything kept is copied out: the frame only lives for the duration of this call.
    switch (frame.type()) {
    case msg::ReportGLVersion:
        report.setGLVersion(frame.u32(at::reportGLVersion));
        break;
    case msg::ReportHostExtension:
        report.setHostExtension(static_cast<std::int32_t>(frame.u32(at::reportHostExtension)),
                                frame.u8(at::reportHostSupported) != 0);
        break;
    case msg::ReportFeature:
        report.addFeature(textAt(frame, at::reportFeatureName),
                          frame.u8(at::reportFeatureSupported) != 0);
        break;
    case msg::ReportRequirement:
        report.addRequirement(
            textAt(frame, at::reportFeatureName), frame.u32(at::reportRequiredGLVersion),
            frame.idList(at::reportRequiredExtensions, at::reportRequiredListRoom));
        break;
    case msg::ReportAPIFeature:
        report.addAPIFeature(static_cast<std::int32_t>(frame.u32(at::reportAPILevel)),
                             textAt(frame, at::reportAPIName));
        break;
    case msg::ReportExtensionFeature:
        report.addExtensionFeature(static_cast<std::int32_t>(frame.u32(at::reportExtensionId)),
                                   textAt(frame, at::reportExtensionName));
        break;
    case msg::ReportComplete:
        emit ready(report);
        break;
    default:
        break;
    }
}
