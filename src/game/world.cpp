// Definitions of the world globals with their values at load, and the reset,
// snapshot and restore, all made from the two lists of the header.
#include "game/world.h"

#include <cstring>

#define WORLD_DEFINE(type, name, at_load) std::type_identity_t<type> name = at_load;
WORLD_STATE(WORLD_DEFINE)
WORLD_HANDLES(WORLD_DEFINE)
#undef WORLD_DEFINE

namespace {

// The handles as they stand at load.
struct WorldHandles {
#define WORLD_MEMBER(type, name, at_load) std::type_identity_t<type> name = at_load;
    WORLD_HANDLES(WORLD_MEMBER)
#undef WORLD_MEMBER
};

// A byte-exact copy of one entry, arrays whole: sprite records stay plain
// copies that share their frames, and a restored entry equals the saved one
// bit for bit.
template <class T>
void copy_entry(T& to, const T& from) {
    static_assert(std::is_trivially_copyable_v<T>, "world entries are plain values");
    std::memcpy(&to, &from, sizeof to);
}

}  // namespace

int world_reset() {
    static const WorldState state_at_load{};
#define WORLD_RESET(type, name, at_load) copy_entry(name, state_at_load.name);
    WORLD_STATE(WORLD_RESET)
#undef WORLD_RESET
    return 1;
}

int world_save(WorldState* state) {
    if (!state) return 0;
#define WORLD_SAVE(type, name, at_load) copy_entry(state->name, name);
    WORLD_STATE(WORLD_SAVE)
#undef WORLD_SAVE
    return 1;
}

int world_restore(const WorldState& state) {
#define WORLD_RESTORE(type, name, at_load) copy_entry(name, state.name);
    WORLD_STATE(WORLD_RESTORE)
#undef WORLD_RESTORE
    return 1;
}

int world_forget_handles() {
    static const WorldHandles handles_at_load{};
#define WORLD_FORGET(type, name, at_load) copy_entry(name, handles_at_load.name);
    WORLD_HANDLES(WORLD_FORGET)
#undef WORLD_FORGET
    return 1;
}
