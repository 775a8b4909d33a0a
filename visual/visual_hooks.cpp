// SPDX-License-Identifier: GPL-3.0-or-later
#include "visual_hooks.h"

#include "signature.h"
#include "similarity.h"

namespace twinly::visual {

VisualHooks MakeVisualHooks(const VisualSettings &settings,
                            const std::shared_ptr<const platform::ImageReader> &pictures)
{
    VisualHooks hooks;
    // A picture that cannot be signed stays in the search without a signature (or with the
    // zero values of an icon); a dump that cannot be written leaves the signature valid.
    hooks.CalcImageProperties = [settings, pictures](TFileData &record) {
        CalcImageProperties(record, settings, pictures.get());
    };
    hooks.CalcImagePropertiesPair = [settings, pictures](TFileData &first, TFileData &second) {
        CalcImagePropertiesPair(first, second, settings, pictures.get());
    };
    hooks.ImagesAlike = [settings](const TFileData &pivot, const TFileData &candidate) {
        return ImagesAlike(pivot, candidate, settings);
    };
    hooks.ImagesKey = [settings](const TFileData &record) {
        return SimilarityClass(record, settings);
    };
    return hooks;
}

} // namespace twinly::visual
