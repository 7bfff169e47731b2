#include "widgets/ESSelectors.h"

#include "models/ESCapabilityKey.h"

namespace widgets {

namespace {

QStringList canonicalVersions(const std::set<esapi::API>& apis)
{
    QStringList texts;
    for (const esapi::API& api : apis) {
        if (!api.ids.empty())
            texts << QString::number(*api.ids.begin());
    }
    return texts;
}

bool apiName(int version, QString* name)
{
    esapi::API api;
    if (!findAPI(version, &api))
        return false;
    *name = QString::fromUtf8(api.name.c_str());
    return true;
}

bool capabilityName(const QString& xmlName, QString* name)
{
    ESCapabilityKeyNode node;
    if (!findKeyNode(ESCapabilityKey::XMLName(xmlName.toStdString()), &node))
        return false;
    *name = QString::fromUtf8(node.displayName.text.c_str());
    return true;
}

} // namespace

ESAPISelector::ESAPISelector(QWidget* parent, int current, const std::set<esapi::API>& offered)
    : GenericValueSelector(parent, canonicalVersions(offered), QString::number(current))
{
    setItemDelegate(new APISelectorItemDelegate(this));
}

QString ESAPISelector::displayText(const QString& stored) const
{
    QString name;
    return apiName(stored.toInt(nullptr, 10), &name) ? name : stored;
}

QString APISelectorItemDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    QString name;
    return apiName(value.toInt(), &name) ? name : QStyledItemDelegate::displayText(value, locale);
}

ESCapabilitySelector::ESCapabilitySelector(QWidget* parent, const std::string& current,
                                           const std::set<std::string>& offered)
    : GenericValueSelector(parent, toQStringList(offered), QString::fromUtf8(current.c_str()))
{
    setItemDelegate(new CapabilitySelectorItemDelegate(this));
}

QString ESCapabilitySelector::displayText(const QString& stored) const
{
    QString name;
    return capabilityName(stored, &name) ? name : stored;
}

QString CapabilitySelectorItemDelegate::displayText(const QVariant& value,
                                                    const QLocale& locale) const
{
    QString name;
    return capabilityName(value.toString(), &name)
               ? name
               : QStyledItemDelegate::displayText(value, locale);
}

ESExtensionSelector::ESExtensionSelector(QWidget* parent, const QString& current,
                                         const QStringList& offered)
    : GenericValueSelector(parent, offered, current)
{}

} // namespace widgets
