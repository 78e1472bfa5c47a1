// Writes the manual page velmo(6) with the help text as its switches section, so the two
// never disagree: the build pipes `velmo --help` into this program.
//
//   velmo --help | makemanpage <version> <velmo.6>
//
// The help text's lines before "Available command line switches are:" open the description;
// every "switches : meaning" line after it becomes one entry of OPTIONS.
#include <iostream>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Text for roff: backslashes and hyphens escaped, no line taken for a request.
std::string roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

// "--width 800 or -w 800": switches in bold, their values in italics.
std::string switches(const std::string& text) {
    std::istringstream words(text);
    std::string word, out;
    while (words >> word) {
        if (!out.empty()) out += ' ';
        if (word == "or") out += word;
        else if (word[0] == '-') out += "\\fB" + roff(word) + "\\fR";
        else out += "\\fI" + roff(word) + "\\fR";
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: velmo --help | makemanpage <version> <velmo.6>\n";
        return 2;
    }
    std::vector<std::string> intro, options;
    bool inOptions = false;
    for (std::string line; std::getline(std::cin, line);) {
        if (line == "Available command line switches are:") inOptions = true;
        else if (inOptions && !line.empty()) options.push_back(line);
        else if (!inOptions && !line.empty()) intro.push_back(line);
    }
    if (options.empty()) {
        std::cerr << "makemanpage: no switches in the help text on standard input\n";
        return 1;
    }

    std::ostringstream page;
    page << ".TH VELMO 6 \"\" \"velmo " << argv[1] << "\" \"Games\"\n"
         << ".SH NAME\nvelmo \\- Quorvane/Drell, a real\\-time audiovisual demo\n"
         << ".SH SYNOPSIS\n.B velmo\n[\\fIswitches\\fR]\n"
         << ".SH DESCRIPTION\n";
    for (const std::string& line : intro) page << roff(line) << "\n.br\n";
    page << ".PP\nAn OpenGL window shows a scripted sequence of procedural 3D scenes in step with\n"
            "the demo's own tracker music, played through GStreamer. The demo ends with the music,\n"
            "or when Escape is pressed or the window is closed.\n"
         << ".SH OPTIONS\n";
    for (const std::string& line : options) {
        const size_t colon = line.find(" : ");
        if (colon == std::string::npos) {
            std::cerr << "makemanpage: help line without \" : \": " << line << '\n';
            return 1;
        }
        page << ".TP\n" << switches(line.substr(0, colon)) << '\n' << roff(line.substr(colon + 3)) << '\n';
    }
    page << ".SH KEYS\n"
            "Escape quits; L and B toggle lighting and blending; N skips one second ahead;\n"
            "the arrows, Page Up/Down, W A S D Q E, 1 and 2 steer the camera and the objects.\n"
         << ".SH FILES\n"
            ".TP\n.I ./data/\n"
            "Pictures, music and capture template: each file is read from here when it is\n"
            "here, under the current folder.\n"
            ".TP\n.I <prefix>/share/velmo/data/\n"
            "The installed copy, used otherwise; <prefix> is the folder above the one holding\n"
            "the executable.\n"
            ".TP\n.I ./data/render/velmo<n>.tga\n"
            "Frames written by \\fB\\-\\-writeimages\\fR, under the current folder.\n";

    std::ofstream out(argv[2]);
    out << page.str();
    if (!out) {
        std::cerr << "makemanpage: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
