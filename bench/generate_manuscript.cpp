// generate-manuscript: writes a large generated manuscript as .docx, or as
// plain text in the ruby notation when OUT ends in .txt.
//   generate-manuscript [--shape novel|children] [--size N] [--ruby R] [--bouten B] [--seed S] OUT.docx|OUT.txt
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "ManuscriptGenerator.h"

int main(int argc, char** argv) {
    using tessaly::bench::ManuscriptShape;
    ManuscriptShape shape = ManuscriptShape::Novel(100000);
    const char* out = nullptr;
    double ruby = -1, bouten = -1;
    for (int i = 1; i < argc; ++i) {
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "generate-manuscript: " << argv[i] << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (!std::strcmp(argv[i], "--shape")) {
            const std::string s = value();
            if (s == "children") shape = ManuscriptShape::ChildrensBook(shape.characters, shape.seed);
            else if (s == "novel") shape = ManuscriptShape::Novel(shape.characters, shape.seed);
            else { std::cerr << "generate-manuscript: unknown shape " << s << "\n"; return 2; }
        } else if (!std::strcmp(argv[i], "--size")) shape.characters = std::strtoull(value(), nullptr, 10);
        else if (!std::strcmp(argv[i], "--ruby")) ruby = std::atof(value());
        else if (!std::strcmp(argv[i], "--bouten")) bouten = std::atof(value());
        else if (!std::strcmp(argv[i], "--seed")) shape.seed = std::strtoull(value(), nullptr, 10);
        else if (argv[i][0] == '-') { std::cerr << "generate-manuscript: unknown option " << argv[i] << "\n"; return 2; }
        else out = argv[i];
    }
    if (ruby >= 0) shape.rubyPer1000 = ruby;
    if (bouten >= 0) shape.boutenPer1000 = bouten;
    if (!out) {
        std::cerr << "usage: generate-manuscript [--shape novel|children] [--size N] [--ruby R] [--bouten B] [--seed S] OUT.docx\n";
        return 2;
    }
    const bool text = std::strlen(out) > 4 && !std::strcmp(out + std::strlen(out) - 4, ".txt");
    const std::string bytes = text ? tessaly::bench::GenerateNotationText(shape) : tessaly::bench::GenerateDocx(shape);
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) { std::cerr << "generate-manuscript: cannot write " << out << "\n"; return 1; }
    return 0;
}
