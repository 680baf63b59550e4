#include "editing/PreviewKeys.h"

#include <algorithm>

namespace orvel {

TPreviewMove PreviewKeyMove(TPreviewKey key, bool playing, int64_t position, int64_t duration) {
    position = std::max<int64_t>(position, 0);
    duration = std::max<int64_t>(duration, 0);
    // The very end would end the playback: the last picture lies one picture before it.
    const int64_t last = std::max<int64_t>(duration - kPictureStep, 0);
    switch (key) {
    case TPreviewKey::PlayPause:
        return {TPreviewMove::TogglePlay};
    case TPreviewKey::Back:
        if (playing) return {TPreviewMove::SeekTo, std::max<int64_t>(position - kPlayingStep, 0)};
        return {TPreviewMove::SeekTo, std::max<int64_t>(position - kPictureStep, 0), true};
    case TPreviewKey::Forward:
        if (!playing) return {TPreviewMove::NextPicture};
        return {TPreviewMove::SeekTo, std::min(position + kPlayingStep, last)};
    case TPreviewKey::Home:
        return {TPreviewMove::SeekTo, 0};
    case TPreviewKey::End:
        break;
    }
    return {TPreviewMove::SeekTo, last};
}

} // namespace orvel
