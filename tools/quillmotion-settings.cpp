// quillmotion-settings: puts Quillmotion's settings tree in place and edits it. The program itself
// never creates the tree; an installation runs "init" once (and may run it again at any time:
// it only adds what is missing).

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "SettingsTool.h"

int main(int argc, char** argv) {
    try {
        return qm::RunSettingsTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "quillmotion-settings: " << error.what() << "\n";
        return 1;
    }
}
