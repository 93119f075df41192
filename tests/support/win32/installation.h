// The product as the shipped setup of a build installs it, checked on the machine the
// test runs on: the programs in the installation folder, each build of the shell
// extension in the system folder and registry view of its width (and in no other), the
// machine-wide keys and the uninstall entry in the view where programs of setup's width
// find them, the shortcuts and the install log. What depends on the width of setup and
// of Windows comes from tests/support/install_layout.h.
#pragma once

#include <string>
#include <vector>

// The common program group and desktop where setup puts its shortcuts.
extern const char kProgramGroup[];
extern const char kCommonDesktop[];

// The folder the wizard proposes: below "Program Files" as setup (of this program's
// width) sees it, so "Program Files (x86)" for a 32-bit program on 64-bit Windows.
std::string ProposedInstallFolder();

// The target of a shortcut; "" when it cannot be read.
std::string LinkTarget(const std::string& link_path);

// Checks a fresh installation by the shipped setup of the build in build_folder (with
// its trailing backslash) into dir, which setup created with its levels `created`
// (deepest first).
void ExpectShippedInstallation(const std::string& build_folder, const std::string& dir,
                               const std::vector<std::string>& created);
