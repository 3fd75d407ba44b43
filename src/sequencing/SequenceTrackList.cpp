#include "sequencing/SequenceTrackList.h"

#include "base/MessagePipe.h"

#include <memory>

namespace tarn {

int SequenceTrackList::Create(int index) {
    if (index < -1 || index > kMaxIndex) {
        ErrorOut() << "error: sequence track " << index << " is out of range" << eol;
        return 0;
    }
    if (index >= 0 && tracks_.Get(index) != nullptr) {
        return 1;
    }
    tracks_.Place(index, std::make_unique<SequenceTrack>(*patterns_));
    return 1;
}

} // namespace tarn
