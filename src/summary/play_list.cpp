#include "play_list.h"

// PENDING: placeholder until the play lists are written.
namespace zarn {
std::vector<int> BuildPlayList(const ClipTable&, const PlayChoice&) {
    return {};
}
} // namespace zarn
