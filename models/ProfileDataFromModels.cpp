#include "models/ProfileDataFromModels.h"

#include "models/EGLAttribKey.h"
#include "models/Profile.h"
#include "models/ProfileData.h"

#include <algorithm>

namespace {

std::string editText(const QAbstractItemModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::EditRole).toString().toUtf8().toStdString();
}

int editNumber(const QAbstractItemModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::EditRole).toInt();
}

bool hasChildNamed(const ProfileNode& node, const std::string& name)
{
    return std::any_of(node.children.begin(), node.children.end(),
                       [&name](const ProfileNode& child) { return child.name == name; });
}

} // namespace

void collectNodes(const QModelIndex& parent, const QAbstractItemModel& model,
                  std::vector<ProfileNode>& out)
{
    for (int c = 0; c < model.rowCount(parent); ++c) {
        const QModelIndex row = model.index(c, 0, parent);
        ProfileNode node;
        node.name = editText(model, row);
        node.value = editText(model, model.index(c, 1, parent));
        collectNodes(row, model, node.children);
        out.push_back(std::move(node));
    }
}

void collectAttributes(const QModelIndex& configuration, const QAbstractItemModel& model,
                       std::vector<ProfileNode>& out)
{
    for (int c = 0; c < model.rowCount(configuration); ++c) {
        EGLAttribKey attribute;
        if (!findEGLAttribKey(editNumber(model, model.index(c, 0, configuration)), &attribute))
            continue;
        const std::string text = editText(model, model.index(c, 1, configuration));
        const std::string& first = attribute.xmlPath.front();

        if (attribute.xmlPath.size() == 1) {
            out.push_back(ProfileNode{first, text, {}});
            continue;
        }
        // Two-name attributes join the first parent element that does not hold their leaf yet,
        // so width, height and pixels share one max_pbuffer, while a repeated leaf starts a
        // second parent element instead of overwriting the first.
        const std::string& second = attribute.xmlPath[1];
        auto parent = std::find_if(out.begin(), out.end(), [&](const ProfileNode& node) {
            return node.name == first && !hasChildNamed(node, second);
        });
        if (parent == out.end())
            parent = out.insert(out.end(), ProfileNode{first, {}, {}});
        parent->children.push_back(ProfileNode{second, text, {}});
    }
}

void ProfileData::updateFromModels(const models::Profile& profile)
{
    capabilities.clear();
    const QAbstractItemModel& capabilityModel = *profile.capabilityTree();
    for (int r = 0; r < capabilityModel.rowCount(); ++r) {
        const QModelIndex version = capabilityModel.index(r, 0);
        collectNodes(version, capabilityModel, capabilities[editNumber(capabilityModel, version)]);
    }

    extensions.clear();
    const QAbstractItemModel& extensionModel = *profile.extensionTree();
    for (int r = 0; r < extensionModel.rowCount(); ++r) {
        const QModelIndex version = extensionModel.index(r, 0);
        for (int c = 0; c < extensionModel.rowCount(version); ++c)
            extensions[editNumber(extensionModel, version)].push_back(
                editText(extensionModel, extensionModel.index(c, 0, version)));
    }

    eglConfigs.clear();
    const QAbstractItemModel& configModel = *profile.eglConfigTree();
    for (int r = 0; r < configModel.rowCount(); ++r) {
        const QModelIndex config = configModel.index(r, 0);
        collectAttributes(config, configModel, eglConfigs[editNumber(configModel, config)]);
    }
}
