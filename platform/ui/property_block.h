#pragma once
// Property blocks: the record through which a window, a control or a timer
// receives its designed property values. A block is a run of entries with
// no header, count or terminator: the property's name in ASCII letters, one
// blank, then the value, big-endian, in the width that the property's type
// in the receiving class implies (i4: 4 bytes, b: 1, c: red, green, blue,
// s: a 4-byte byte count, then that many bytes of UTF-8).
#include <string>

#include "runtime/classes.h"

// Sets every entry of the block, in its order, through the setter of the
// receiving object's class-table entry of that name. Raises
// KeyNotFoundException for a name that the class lacks,
// UnsupportedFormatException for a truncated or malformed block or for a
// property whose type no block can carry; the entries before the faulty one
// stay set.
void _SetProperties(Object& object, const std::string& block);
