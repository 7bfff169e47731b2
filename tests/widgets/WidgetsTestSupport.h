#pragma once

#include "models/BuiltinProfiles.h"
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"

#include <QAbstractItemModel>

#include <memory>

namespace widgets::test {

// A profile (a built-in one by position, or the given data) with its three editable models.
struct ProfileFixture
{
    std::shared_ptr<ProfileDataWrapper> wrapper;
    std::unique_ptr<models::Profile> profile;

    explicit ProfileFixture(const ProfileData& data)
        : wrapper(std::make_shared<ProfileDataWrapper>(data)),
          profile(std::make_unique<models::Profile>(nullptr, wrapper))
    {
        profile->setEditable(true);
    }
    explicit ProfileFixture(std::size_t builtin)
        : ProfileFixture(*ProfileDataWrapper::fromXml(builtinProfiles.at(builtin), false).data())
    {}
};

inline ProfileNode leaf(const char* name, const char* value)
{
    return ProfileNode{name, value, {}};
}

inline ProfileNode inner(const char* name, std::vector<ProfileNode> children)
{
    return ProfileNode{name, "", std::move(children)};
}

// Every cell of a tree in its stored form with its type, and the tree's shape.
inline QStringList snapshot(const QAbstractItemModel& model, const QModelIndex& parent = {})
{
    QStringList cells{QString::number(model.rowCount(parent))};
    for (int r = 0; r < model.rowCount(parent); ++r) {
        for (const QModelIndex& index : {model.index(r, 0, parent), model.index(r, 1, parent)}) {
            const QVariant v = index.data(Qt::EditRole);
            if (index.isValid())
                cells << QString("%1 %2").arg(v.isValid() ? v.typeName() : "-", v.toString());
        }
        cells << snapshot(model, model.index(r, 0, parent));
    }
    return cells;
}

} // namespace widgets::test
