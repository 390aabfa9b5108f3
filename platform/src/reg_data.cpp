// Registry data as tests write it: the stored type and the bytes exactly as
// stored, so that unterminated texts can be set up on purpose.

#include <hxsim/world.h>

namespace hxsim {

RegData RegData::Text(const std::string& s, bool terminated) {
    RegData data;
    data.type = REG_SZ;
    data.bytes.assign(s.begin(), s.end());
    if (terminated) data.bytes.push_back(0);
    return data;
}

RegData RegData::Dword(DWORD v) {
    RegData data;
    data.type = REG_DWORD;
    for (int i = 0; i < 4; ++i) data.bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return data;
}

RegData RegData::Binary(std::vector<uint8_t> b, DWORD type) {
    RegData data;
    data.type = type;
    data.bytes = std::move(b);
    return data;
}

}  // namespace hxsim
