#pragma once
// Player names in records: percent-encoded UTF-8, decoded the way the
// analysis cache has always keyed them, so stored entries keep matching.
#include <string>
#include <string_view>

namespace balvek::record {

// "%" and two hexadecimal digits (either case) stand for a byte; anything
// else stands for itself. The bytes become UTF-16: a lead byte 0xC0..0xDF
// takes one follower, 0xE0..0xFF two (followers are not checked); a lead
// whose followers are cut off gives nothing and the followers present count
// as bytes of their own; any other byte is one unit of its signed value.
std::u16string DecodeName(std::string_view encoded);

}  // namespace balvek::record
