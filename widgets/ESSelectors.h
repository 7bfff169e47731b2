#pragma once

#include "models/ESAPI.h"
#include "widgets/GenericValueSelector.h"

#include <set>
#include <string>

namespace widgets {

// Picks an OpenGL ES API level; items are canonical version numbers, shown by level name.
class ESAPISelector : public GenericValueSelector
{
    Q_OBJECT

public:
    ESAPISelector(QWidget* parent, int current, const std::set<esapi::API>& offered);
    QString displayText(const QString& stored) const override;
};

class APISelectorItemDelegate : public GenericValueSelectorItemDelegate
{
public:
    using GenericValueSelectorItemDelegate::GenericValueSelectorItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

// Picks an implementation limit; items are XML element names, shown by GL token name.
class ESCapabilitySelector : public GenericValueSelector
{
    Q_OBJECT

public:
    ESCapabilitySelector(QWidget* parent, const std::string& current,
                         const std::set<std::string>& offered);
    QString displayText(const QString& stored) const override;
};

class CapabilitySelectorItemDelegate : public GenericValueSelectorItemDelegate
{
public:
    using GenericValueSelectorItemDelegate::GenericValueSelectorItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

// Picks an extension; its names are shown as they are, so Qt's own popup delegate serves.
class ESExtensionSelector : public GenericValueSelector
{
    Q_OBJECT

public:
    ESExtensionSelector(QWidget* parent, const QString& current, const QStringList& offered);
};

} // namespace widgets
