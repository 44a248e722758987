// The tables of the station files number their entries from 1 and keep element 0 unused; their
// numbers arrive as signed values. These read an element by such a number with the one cast in
// one place; `Holds` is the bounds check that goes with it.
#pragma once

#include <cstddef>
#include <vector>

namespace zarn {

template <class T> bool Holds(const std::vector<T>& v, long i) {
    return i >= 0 && static_cast<std::size_t>(i) < v.size();
}

template <class T> const T& At(const std::vector<T>& v, long i) {
    return v[static_cast<std::size_t>(i)];
}

template <class T> T& At(std::vector<T>& v, long i) {
    return v[static_cast<std::size_t>(i)];
}

} // namespace zarn
