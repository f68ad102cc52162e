#pragma once
// Runs settings_tool as the unprivileged user "nobody" inside a tree fixture, where that user
// can reach the tool and leave its output. Paths handed to it must be reachable as well.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/Ttreefixture.h"

class TSettingsToolRun {
public:
    explicit TSettingsToolRun(TTreeFixture& tree) : Tree(tree)
    {
        EXPECT_EQ(chmod(Tree.Root().c_str(), 0755), 0);
        std::filesystem::copy_file(SETTINGS_TOOL, Tree.Path("settings_tool"));
        EXPECT_EQ(chmod(Tree.Path("settings_tool").c_str(), 0755), 0);
        Tree.CreateDirectory("output");
        EXPECT_EQ(chmod(Tree.Path("output").c_str(), 0777), 0);
    }

    // The tool's standard output; a failing exit fails the test.
    std::string Run(const std::string& arguments)
    {
        const std::string output = Tree.Path("output/out.txt");
        EXPECT_EQ(RunUnprivileged(Tree.Path("settings_tool") + " " + arguments + " > " + output), 0);
        std::string text = Tree.ReadFile("output/out.txt");
        std::filesystem::remove(output);
        return text;
    }

private:
    TTreeFixture& Tree;
};
