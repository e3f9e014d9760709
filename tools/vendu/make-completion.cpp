// Writes vendu's completion script for a shell, at build time: make-completion SHELL OUTPUT.
#include "tools/vendu/Completion.h"

#include <cstdio>
#include <cstring>
#include <fstream>

int main(int argc, char** argv) {
    const char* shells[] = {"bash", "zsh", "fish"};
    for (int k = 0; argc == 3 && k < 3; ++k) {
        if (std::strcmp(argv[1], shells[k]) != 0)
            continue;
        std::ofstream out(argv[2], std::ios::binary);
        out << vendu::CompletionScript(static_cast<vendu::Shell>(k));
        out.close();
        if (out)
            return 0;
        std::fprintf(stderr, "make-completion: %s cannot be written\n", argv[2]);
        return 2;
    }
    std::fprintf(stderr, "usage: make-completion bash|zsh|fish OUTPUT\n");
    return 2;
}
