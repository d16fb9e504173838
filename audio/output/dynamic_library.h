// A sound back-end's client library, loaded with dlopen when its device
// opens instead of linked: PulseAudio's pulls in libsndfile and the codecs
// behind it, and none of that belongs in the player's start-up. Each
// back-end lists the functions it calls in a table of pointers typed from
// the library's own header, bound by name. A library that cannot be loaded,
// or lacks one of the functions, gives no table, and its back-end does not
// open (the next one is tried).
#pragma once

#include <dlfcn.h>

namespace audio::output {

// A table member typed from the library's header.
#define QUAVERLY_TABLE_MEMBER(name) decltype(&::name) name = nullptr;
// Binds one member, noting a missing symbol.
#define QUAVERLY_TABLE_BIND(name) bound = bindFunction(library, table.name, #name) && bound;
// Defines `const Table* getter()`, which loads the library on its first call
// and binds the functions FUNCTIONS lists; null when either fails.
#define QUAVERLY_TABLE_LOADER(Table, getter, soname, FUNCTIONS)                                    \
    inline const Table* getter() {                                                                 \
        static const Table* const loaded =                                                         \
            loadTable<Table>(soname, [](void* library, Table& table) {                             \
                bool bound = true;                                                                 \
                FUNCTIONS(QUAVERLY_TABLE_BIND)                                                     \
                return bound;                                                                      \
            });                                                                                    \
        return loaded;                                                                             \
    }

template <class Function> bool bindFunction(void* library, Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Loads the library and binds a table with bind(library, table), which
// returns whether every function was found; null when either fails. Sound
// client libraries start threads and register exit handlers, so a loaded
// library stays for the life of the process.
template <class Table, class Binder> const Table* loadTable(const char* soname, Binder bind) {
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!library)
        return nullptr;
    static Table table;
    return bind(library, table) ? &table : nullptr;
}

} // namespace audio::output
