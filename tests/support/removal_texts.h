#pragma once
// Questions of the removal windows that tests across folders script.
#include <QString>

namespace quillon::test {

// Asked before files go to the trash.
inline const QString kTrashQuestion =
    "Note that the trash may be full or that you may have the \"Immediately Remove Files "
    "On Delete\" option turned on in the trash. If either is true, then you will not be "
    "able to recover the deleted files from the trash. \n\nSend to the trash anyway?";

} // namespace quillon::test
