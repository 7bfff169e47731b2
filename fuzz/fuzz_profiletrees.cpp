// Shows arbitrary profile documents in the three tree models, reads every cell in both forms,
// and rebuilds the data from the models. Rebuilding normalises a profile once (EGL token texts
// become numbers, inner values go, a version without extensions loses its empty list; EGL leaves
// without a row stay where they were); after that, showing and rebuilding again must change
// nothing. Any bytes shown as text turn back into the same bytes.
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"
#include "models/TextBytes.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

void readAll(const QAbstractItemModel& model, const QModelIndex& parent)
{
    for (int r = 0; r < model.rowCount(parent); ++r) {
        for (int c = 0; c < model.columnCount(parent); ++c) {
            const QModelIndex index = model.index(r, c, parent);
            (void)model.data(index, Qt::DisplayRole);
            (void)model.data(index, Qt::EditRole);
            if (index.isValid() && model.parent(index) != parent)
                std::abort();
        }
        readAll(model, model.index(r, 0, parent));
    }
}

ProfileData throughModels(const ProfileData& data)
{
    auto wrapper = std::make_shared<ProfileDataWrapper>(data);
    models::Profile profile(nullptr, wrapper);
    readAll(*profile.capabilityTree(), {});
    readAll(*profile.extensionTree(), {});
    readAll(*profile.eglConfigTree(), {});
    ProfileData rebuilt = data;
    rebuilt.updateFromModels(profile);
    return rebuilt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    if (bytesFromText(textFromBytes(text)) != text)
        std::abort();
    ProfileData data;
    try {
        data = ProfileData::fromXml(text);
    } catch (const std::runtime_error&) {
        return 0;
    }
    const ProfileData once = throughModels(data);
    const ProfileData twice = throughModels(once);
    if (!(once == twice))
        std::abort();
    return 0;
}
