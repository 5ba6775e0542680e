// Binding the functions of a library loaded at run time to typed pointers.
#pragma once

#include "platform/system/library.h"

#include <string>

namespace plat {

// Points `function` at the library's function `name`, of the type declared
// for it; false, with `error` naming it, when the library has none.
template <typename Function>
bool BindFunction(HMODULE library, const char* name, Function*& function, std::string& error) {
    function = reinterpret_cast<Function*>(GetProcAddress(library, name));
    if (function == nullptr)
        error = std::string("the library has no function ") + name;
    return function != nullptr;
}

} // namespace plat
