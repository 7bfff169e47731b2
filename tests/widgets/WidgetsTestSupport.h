#pragma once

#include "models/BuiltinProfiles.h"
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace widgets::test {

// One built-in profile with its three tree models, editable or not.
struct ProfileFixture
{
    std::shared_ptr<ProfileDataWrapper> wrapper;
    std::unique_ptr<models::Profile> profile;

    explicit ProfileFixture(std::size_t builtin, bool editable = true)
        : wrapper(std::make_shared<ProfileDataWrapper>(
              ProfileDataWrapper::fromXml(builtinProfiles.at(builtin), false))),
          profile(std::make_unique<models::Profile>(
              nullptr, std::weak_ptr<const ProfileDataWrapper>(wrapper)))
    {
        profile->setEditable(editable);
    }

    explicit ProfileFixture(const ProfileData& data, bool editable = true)
        : wrapper(std::make_shared<ProfileDataWrapper>(data)),
          profile(std::make_unique<models::Profile>(
              nullptr, std::weak_ptr<const ProfileDataWrapper>(wrapper)))
    {
        profile->setEditable(editable);
    }
};

inline ProfileNode leaf(const char* name, const char* value)
{
    return ProfileNode{name, value, {}};
}

inline ProfileNode inner(const char* name, std::vector<ProfileNode> children)
{
    return ProfileNode{name, "", std::move(children)};
}

// Every cell of a tree in its stored form with its type, and the shape of the tree: what an
// editor must leave exactly as it was when the user makes no choice.
inline QStringList snapshot(const QAbstractItemModel& model, const QModelIndex& parent = {},
                            const QString& path = {})
{
    QStringList cells;
    cells << QString("%1 rows %2").arg(path).arg(model.rowCount(parent));
    for (int r = 0; r < model.rowCount(parent); ++r) {
        const QString rowPath = QString("%1/%2").arg(path).arg(r);
        for (int c = 0; c < 2; ++c) {
            const QModelIndex index = model.index(r, c, parent);
            if (!index.isValid())
                continue;
            const QVariant v = index.data(Qt::EditRole);
            cells << QString("%1:%2 %3 %4 %5")
                         .arg(rowPath)
                         .arg(c)
                         .arg(v.isValid() ? v.typeName() : "invalid", v.toString(),
                              index.data(Qt::DisplayRole).toString());
        }
        cells << snapshot(model, model.index(r, 0, parent), rowPath);
    }
    return cells;
}

// The first top-level row whose column 0 satisfies `match`, or an invalid index.
inline QModelIndex findRow(const QAbstractItemModel& model, const QModelIndex& parent,
                           const std::function<bool(const QModelIndex&)>& match)
{
    for (int r = 0; r < model.rowCount(parent); ++r) {
        const QModelIndex index = model.index(r, 0, parent);
        if (match(index))
            return index;
    }
    return {};
}

// Answers the next modal dialog from a timer: `answer` gets the dialog (null when none came).
// The test checks what it recorded after the modal loop has returned.
inline void answerNextModal(const std::function<void(QWidget*)>& answer, int attempts = 50)
{
    QTimer::singleShot(20, [answer, attempts] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && attempts > 0) {
            answerNextModal(answer, attempts - 1);
            return;
        }
        answer(modal);
    });
}

} // namespace widgets::test
