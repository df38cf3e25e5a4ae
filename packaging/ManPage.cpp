// Writes the manual page kinotra(1) from the program's --help text, so that the two never drift.
// Usage: kinotra_manpage HELP_TEXT VERSION DATE OUT
//
// The help text is read as the program prints it: the "Usage:" lines up to the first empty line (the
// synopsis; a line that does not start with "kinotra" continues the one before), the description up to
// the first heading, then headings (a line at column 0 ending in ":") with their terms. A term starts at
// two spaces; its text follows after two or more blanks or on the next lines, indented further.
#include <cctype>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TEntry
{
    std::string Term;
    std::string Text;
};

struct TSection
{
    std::string Heading;
    std::vector<TEntry> Entries;
};

struct THelp
{
    std::vector<std::string> Synopsis;
    std::vector<std::string> Description; // paragraphs
    std::vector<TSection> Sections;
};

// The column where the terms' texts start.
constexpr std::size_t TextColumn = 27;

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

void Append(std::string& text, const std::string& more)
{
    if (more.empty())
        return;
    if (!text.empty())
        text += ' ';
    text += more;
}

bool IsHeading(const std::string& line)
{
    return !line.empty() && line.front() != ' ' && line.back() == ':';
}

// False with a reason when the text does not have the layout described above.
bool Parse(std::istream& in, THelp& help, std::string& error)
{
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    std::size_t i = 0;
    const std::string usage = "Usage:";
    if (lines.empty() || lines.front().rfind(usage, 0) != 0) {
        error = "the help text does not start with \"Usage:\"";
        return false;
    }
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        const std::string form = Trim(i == 0 ? lines[i].substr(usage.size()) : lines[i]);
        if (form.rfind("kinotra", 0) == 0 || help.Synopsis.empty())
            help.Synopsis.push_back(form);
        else
            Append(help.Synopsis.back(), form);
    }
    bool newParagraph = true;
    for (; i < lines.size() && !IsHeading(lines[i]); ++i) {
        if (lines[i].empty()) {
            newParagraph = true;
            continue;
        }
        if (newParagraph)
            help.Description.emplace_back();
        newParagraph = false;
        Append(help.Description.back(), Trim(lines[i]));
    }
    if (help.Description.empty()) {
        error = "the help text has no description after the usage lines";
        return false;
    }
    for (; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty())
            continue;
        if (IsHeading(line)) {
            help.Sections.push_back({line.substr(0, line.size() - 1), {}});
        } else if (line.rfind("  ", 0) == 0 && line.size() > 2 && line[2] != ' ') {
            // The text starts after two blanks, or at the text column after a term that fills the space
            // before it.
            std::size_t gap = line.find("  ", 2);
            if ((gap == std::string::npos || gap > TextColumn) && line.size() > TextColumn &&
                line[TextColumn - 1] == ' ')
                gap = TextColumn - 1;
            TEntry entry;
            entry.Term = Trim(line.substr(2, gap == std::string::npos ? std::string::npos : gap - 2));
            if (gap != std::string::npos)
                entry.Text = Trim(line.substr(gap));
            help.Sections.back().Entries.push_back(entry);
        } else if (line.rfind("   ", 0) == 0 && !help.Sections.back().Entries.empty()) {
            Append(help.Sections.back().Entries.back().Text, Trim(line));
        } else {
            error =
                "line " + std::to_string(i + 1) + " is neither a heading, a term nor a term's text: " + line;
            return false;
        }
    }
    return true;
}

// Text for a troff text line: backslashes and hyphens escaped (so that options stay typable), and a
// leading dot or quote kept from being read as a request.
std::string Escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

enum class TStyle
{
    Syntax, // options in bold, placeholders (capitals) in italics
    Bold,
    Italic,
    Roman
};

// Options and their operands: "--name" in bold, a word of capitals (a placeholder) in italics.
std::string Syntax(const std::string& text)
{
    std::string out;
    std::size_t i = 0;
    const auto word = [&text](std::size_t from, auto accept) {
        std::size_t to = from;
        while (to < text.size() && accept(static_cast<unsigned char>(text[to])))
            ++to;
        return to;
    };
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool wordStart = i == 0 || !std::isalnum(static_cast<unsigned char>(text[i - 1]));
        if (c == '-' && wordStart) {
            const std::size_t to =
                word(i, [](unsigned char x) { return x == '-' || std::islower(x) || std::isdigit(x); });
            out += "\\fB" + Escape(text.substr(i, to - i)) + "\\fR";
            i = to;
        } else if (std::isupper(c) && wordStart) {
            const std::size_t to =
                word(i, [](unsigned char x) { return std::isupper(x) || std::isdigit(x) || x == '_'; });
            if (to < text.size() && std::islower(static_cast<unsigned char>(text[to]))) {
                const std::size_t end = word(i, [](unsigned char x) { return std::isalnum(x) != 0; });
                out += Escape(text.substr(i, end - i));
                i = end;
            } else {
                out += "\\fI" + text.substr(i, to - i) + "\\fR";
                i = to;
            }
        } else {
            out += Escape(std::string(1, char(c)));
            ++i;
        }
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

std::string Styled(const std::string& text, TStyle style)
{
    switch (style) {
    case TStyle::Syntax:
        return Syntax(text);
    case TStyle::Bold:
        return "\\fB" + Escape(text) + "\\fR";
    case TStyle::Italic:
        return "\\fI" + Escape(text) + "\\fR";
    case TStyle::Roman:
        break;
    }
    return Escape(text);
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TStyle StyleOf(const std::string& heading)
{
    const std::string h = Upper(heading);
    if (h == "FILES")
        return TStyle::Italic;
    if (h == "ENVIRONMENT" || h == "EXAMPLES")
        return TStyle::Bold;
    if (h == "EXIT STATUS")
        return TStyle::Roman;
    return TStyle::Syntax;
}

void Write(std::ostream& out, const THelp& help, const std::string& version, const std::string& date)
{
    out << ".\\\" Made from the output of kinotra --help; edit the help text, not this page.\n";
    out << ".TH KINOTRA 1 \"" << date << "\" \"Kinotra " << version << "\" \"User Commands\"\n";
    // The name line: the description's first sentence.
    std::string summary = help.Description.front().substr(0, help.Description.front().find(". "));
    if (!summary.empty() && summary.back() == '.')
        summary.pop_back();
    if (!summary.empty())
        summary.front() = static_cast<char>(std::tolower(static_cast<unsigned char>(summary.front())));
    out << ".SH NAME\nkinotra \\- " << Escape(summary) << "\n";
    // A synopsis line a form: the name in bold, the rest filled with a hanging indent.
    out << ".SH SYNOPSIS\n";
    const std::string name = "kinotra";
    for (const std::string& form : help.Synopsis) {
        const std::string operands = Trim(form.substr(name.size()));
        out << ".SY " << name << "\n" << (operands.empty() ? "" : Syntax(operands) + "\n");
    }
    out << ".YS\n.SH DESCRIPTION\n";
    for (std::size_t p = 0; p < help.Description.size(); ++p)
        out << (p > 0 ? ".PP\n" : "") << Escape(help.Description[p]) << "\n";
    for (const TSection& section : help.Sections) {
        out << ".SH " << Escape(Upper(section.Heading)) << "\n";
        const TStyle style = StyleOf(section.Heading);
        for (const TEntry& entry : section.Entries)
            out << ".TP\n" << Styled(entry.Term, style) << "\n" << Escape(entry.Text) << "\n";
    }
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 5) {
        std::cerr << "usage: kinotra_manpage HELP_TEXT VERSION DATE OUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "kinotra_manpage: cannot read " << argv[1] << '\n';
        return 1;
    }
    THelp help;
    std::string error;
    if (!Parse(in, help, error)) {
        std::cerr << "kinotra_manpage: " << argv[1] << ": " << error << '\n';
        return 1;
    }
    std::ostringstream page;
    Write(page, help, argv[2], argv[3]);
    std::ofstream out(argv[4], std::ios::binary | std::ios::trunc);
    if (!(out << page.str()) || !out.flush()) {
        std::cerr << "kinotra_manpage: cannot write " << argv[4] << '\n';
        return 1;
    }
    return 0;
}
