// Block codes: the block's address letter in the high byte, the low 8 bits of its
// number in the low byte. Named here so no dispatch compares against bare numbers.
#pragma once

#include <cstdint>

namespace marloq {

constexpr uint16_t BlockCode(char letter, unsigned number) {
  return static_cast<uint16_t>(static_cast<uint8_t>(letter) * 256 + (number & 0xFF));
}
constexpr uint8_t CodeLetter(uint16_t code) { return static_cast<uint8_t>(code >> 8); }
constexpr uint8_t CodeNumber(uint16_t code) { return static_cast<uint8_t>(code & 0xFF); }

inline constexpr uint16_t kNoBlock = 0;               // the empty record after a reset
inline constexpr uint16_t kEmptyBlock = '\n' * 256;   // a blank line or a bare line number
inline constexpr uint16_t kG0 = BlockCode('G', 0);
inline constexpr uint16_t kG1 = BlockCode('G', 1);   // also every block that starts with X, Y or Z
inline constexpr uint16_t kG2 = BlockCode('G', 2);
inline constexpr uint16_t kG3 = BlockCode('G', 3);
inline constexpr uint16_t kG20 = BlockCode('G', 20);
inline constexpr uint16_t kG21 = BlockCode('G', 21);
inline constexpr uint16_t kG40 = BlockCode('G', 40);
inline constexpr uint16_t kG41 = BlockCode('G', 41);
inline constexpr uint16_t kG42 = BlockCode('G', 42);
inline constexpr uint16_t kG54 = BlockCode('G', 54);
inline constexpr uint16_t kG60 = BlockCode('G', 60);
inline constexpr uint16_t kG70 = BlockCode('G', 70);
inline constexpr uint16_t kG71 = BlockCode('G', 71);
inline constexpr uint16_t kG74 = BlockCode('G', 74);
inline constexpr uint16_t kG82 = BlockCode('G', 82);
inline constexpr uint16_t kG83 = BlockCode('G', 83);
inline constexpr uint16_t kG84 = BlockCode('G', 84);
inline constexpr uint16_t kG85 = BlockCode('G', 85);
inline constexpr uint16_t kG86 = BlockCode('G', 86);
inline constexpr uint16_t kG90 = BlockCode('G', 90);
inline constexpr uint16_t kG91 = BlockCode('G', 91);
inline constexpr uint16_t kH40 = BlockCode('H', 40);
inline constexpr uint16_t kH41 = BlockCode('H', 41);
inline constexpr uint16_t kH42 = BlockCode('H', 42);
inline constexpr uint16_t kM2 = BlockCode('M', 2);
inline constexpr uint16_t kM6 = BlockCode('M', 6);
inline constexpr uint16_t kM30 = BlockCode('M', 30);

}  // namespace marloq
