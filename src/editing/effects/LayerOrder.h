#pragma once
// Where the colour-effects step falls among the drawing steps of a frame. The conversion hook
// and every preview hook draw in this one order; a layer drawn before the effects step is
// altered by the effects, one drawn after is not.
#include <array>

namespace orvel {

enum class TLayerStep { Text, Picture, Effects };
using TLayerOrder = std::array<TLayerStep, 3>;

constexpr TLayerOrder LayerOrder(bool processText, bool processImage) {
    using S = TLayerStep;
    if (processText && processImage) return {S::Text, S::Picture, S::Effects};
    if (processText) return {S::Text, S::Effects, S::Picture};
    if (processImage) return {S::Picture, S::Effects, S::Text};
    return {S::Effects, S::Text, S::Picture};
}

} // namespace orvel
