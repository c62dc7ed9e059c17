// Forced into every file of the WebAssembly build (-include): the two C++20
// library functions the core uses that emscripten 3.1.6's C++ library lacks,
// each defined only when the library does not say it has it.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <version>

namespace std {
#if !defined(__cpp_lib_smart_ptr_for_overwrite)
/// Default-initialised, like new T: nothing is zeroed that is not read.
template <class T>
    requires(!is_array_v<T>)
unique_ptr<T> make_unique_for_overwrite() {
    return unique_ptr<T>(new T);
}

template <class T>
    requires is_unbounded_array_v<T>
unique_ptr<T> make_unique_for_overwrite(size_t n) {
    return unique_ptr<T>(new remove_extent_t<T>[n]);
}
#endif

#if !defined(__cpp_lib_bit_cast)
template <class To, class From>
constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
#endif
}  // namespace std
