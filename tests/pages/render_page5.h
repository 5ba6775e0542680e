// Draws the completion page of a created sheet into DIR/page5.png (the
// product's box ticked, the students listed) and DIR/page5-updated.png (after
// Update), on a scratch copy of examples/sample registered in a hive of its
// own (on Windows in the system's registry, removed again afterwards), so
// neither the checkout nor the user's registry is changed.
#pragma once

#include "app/PropSheet.h"
#include "config/Registry.h"
#include "platform/registry/registry.h"
#include "tests/support/RegistryTree.h"
#include "ui/CheckBox.h"
#include "ui/ComboBox.h"
#include "ui/Testing.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <system_error>

namespace render5 {

inline std::filesystem::path SampleDir() {
    if (const char* source = std::getenv("PELMORA_SOURCE_DIR"))
        return std::filesystem::path(source) / "examples" / "sample";
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples" /
           "sample";
}

inline bool Register(const std::string& key, const std::string& installDir) {
    CRegistry reg;
    return reg.Open(plat::HKEY_LOCAL_MACHINE, "", plat::KEY_ALL_ACCESS) && reg.CreateSubKey(key) &&
           reg.WriteString("InstallDir", installDir);
}

} // namespace render5

template <class Saver>
bool RenderPage5(CPropSheet& sheet, const std::string& dir, const Saver& save) {
    namespace fs = std::filesystem;
    const fs::path scratch =
        fs::temp_directory_path() / ("pelmora-render-page5-" + std::to_string(::getpid()));
    std::error_code error;
    fs::remove_all(scratch, error);
    fs::create_directories(scratch, error);
    fs::copy(render5::SampleDir(), scratch / "sample", fs::copy_options::recursive, error);
    if (error) {
        std::cerr << "render_pages: cannot copy the sample installation: " << error.message()
                  << "\n";
        return false;
    }
    plat::RegUseHiveFile((scratch / "registry.reg").string());
    const std::string sample = (scratch / "sample").string();
    bool ok = render5::Register("SOFTWARE\\Vendrel\\Qrv50", sample + "/Qrv/") &&
              render5::Register("SOFTWARE\\Vendrel\\TIKO_CP", sample + "/TikoCP");

    // The page reads the installation when its window is made.
    sheet.SetActivePage(4);
    uitest::ProcessEvents(50);
    CPropPage5& page = sheet.m_page5;
    if (auto* product = page.GetDlgItemAs<CCheckBox>(1006))
        product->Click();
    if (auto* tiko = page.GetDlgItemAs<CCheckBox>(1118))
        tiko->Click();
    uitest::ProcessEvents(50);
    ok = ok && save(sheet, dir + "page5.png");
    page.OnUpdate();
    uitest::ProcessEvents(50);
    ok = save(sheet, dir + "page5-updated.png") && ok;

    ok = DeleteKeyTree(plat::HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendrel") && ok;
    plat::RegUseHiveFile("");
    fs::remove_all(scratch, error);
    return ok;
}
