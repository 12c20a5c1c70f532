#pragma once
// The value of one hexadecimal digit in either case, -1 for anything else.
// Works for char, char16_t and QChar's code unit alike.

template <class Char>
constexpr int HexDigitValue(Char c)
{
    if (c >= Char('0') && c <= Char('9'))
        return int(c - Char('0'));
    if (c >= Char('a') && c <= Char('f'))
        return int(c - Char('a')) + 10;
    if (c >= Char('A') && c <= Char('F'))
        return int(c - Char('A')) + 10;
    return -1;
}
