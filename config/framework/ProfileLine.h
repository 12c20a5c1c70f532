#pragma once
// One reading of private-profile (INI) text, shared by the skin-file reader
// and the settings file, so that both see the same sections, keys and values
// in the same text. The rules are those of the platform's own profile
// functions, which the settings file must stay compatible with:
// - a line ends at CR, at LF or at CR LF (a lone CR ends a line too);
// - blanks (space, tab, vertical tab, form feed, CR, LF and the end-of-file
//   mark 0x1A) around the line, a section name, a key and a value are ignored;
// - '[' with a ']' later on the line starts a section named by the text
//   between the '[' and the last ']'; a '[' without ']' is no header and is
//   read like any other line;
// - a line starting with ';' is a comment;
// - "key=value" is a key (the first '=' separates); a line without '=', or
//   with nothing before it, is neither a key nor a section: the platform keeps
//   it but never answers a lookup with it;
// - a value enclosed in a matching pair of quotes (" or ') is read without
//   them.
// The functions work on std::string_view and std::u16string_view alike.

#include <string_view>

enum class ProfileLineKind { Blank, Comment, Section, Key, Other };

template <class Char>
struct ProfileLine
{
    ProfileLineKind kind = ProfileLineKind::Blank;
    std::basic_string_view<Char> name; // section or key name, trimmed
    std::basic_string_view<Char> value; // key value, trimmed, quotes kept
};

template <class Char>
constexpr bool IsProfileBlank(Char c)
{
    return c == Char(' ') || c == Char('\t') || c == Char('\v') || c == Char('\f') || c == Char('\r') || c == Char('\n')
        || c == Char(0x1A);
}

template <class Char>
constexpr std::basic_string_view<Char> TrimProfileBlanks(std::basic_string_view<Char> text)
{
    while (!text.empty() && IsProfileBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Takes the next line off the front of `rest`, without its line end.
template <class Char>
constexpr std::basic_string_view<Char> TakeProfileLine(std::basic_string_view<Char> &rest)
{
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != Char('\r') && rest[end] != Char('\n'))
        ++end;
    const std::basic_string_view<Char> line = rest.substr(0, end);
    if (end < rest.size() && rest[end] == Char('\r') && end + 1 < rest.size() && rest[end + 1] == Char('\n'))
        ++end;
    rest.remove_prefix(end < rest.size() ? end + 1 : end);
    return line;
}

template <class Char>
constexpr ProfileLine<Char> ClassifyProfileLine(std::basic_string_view<Char> line)
{
    ProfileLine<Char> result;
    line = TrimProfileBlanks(line);
    if (line.empty())
        return result;
    if (line.front() == Char(';')) {
        result.kind = ProfileLineKind::Comment;
        return result;
    }
    if (line.front() == Char('[')) {
        const std::size_t close = line.rfind(Char(']'));
        if (close != std::basic_string_view<Char>::npos && close > 0) {
            result.kind = ProfileLineKind::Section;
            result.name = TrimProfileBlanks(line.substr(1, close - 1));
            return result;
        }
    }
    const std::size_t equals = line.find(Char('='));
    const std::basic_string_view<Char> name
        = equals == std::basic_string_view<Char>::npos ? line : TrimProfileBlanks(line.substr(0, equals));
    if (equals == std::basic_string_view<Char>::npos || name.empty()) {
        result.kind = ProfileLineKind::Other;
        return result;
    }
    result.kind = ProfileLineKind::Key;
    result.name = name;
    result.value = TrimProfileBlanks(line.substr(equals + 1));
    return result;
}

// A value read without a matching pair of enclosing quotes.
template <class Char>
constexpr std::basic_string_view<Char> WithoutProfileQuotes(std::basic_string_view<Char> value)
{
    if (value.size() >= 2 && (value.front() == Char('"') || value.front() == Char('\''))
        && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}
