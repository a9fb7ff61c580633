// One row's values, from the bytes libmdb's row cracker located on the page in the handle's
// buffer, into a Row frame's payload.
#pragma once

#include "libmdb.h"
#include "platform/jetframes.h"

namespace zr::mdb {

// Whether this reader can send values of a column with libmdb's type number `type`.
bool knownType(int type);

// Appends column `col`'s value in the row just cracked into `field`. `stored` is false for a
// column the table gained after the row was written: the row holds nothing for it. Throws
// Failure naming the column when the bytes cannot be a value of its type.
void putValue(MdbHandle* mdb, const MdbColumn& col, const MdbField& field, bool stored,
              platform::jetframes::Writer& row);

}  // namespace zr::mdb
