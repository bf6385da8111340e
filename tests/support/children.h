#pragma once
// Windows keep their controls private; tests reach them by object name.
#include <QObject>
#include <gtest/gtest.h>

namespace quillon::test {

// The child of `parent` (at any depth) of type T named `name`; fails the test
// and gives nullptr when there is none.
template <typename T> T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(name);
    if (!child) ADD_FAILURE() << "no child named " << name;
    return child;
}

} // namespace quillon::test
