// The student list "UserList.dat" on any bytes: reading never changes the
// file; a refused list says why and holds no student; an accepted list finds
// each of its students by name, and saved and read back it is the same list.
#include "config/UserList.h"
#include "fuzz/FuzzSupport.h"

#include <sys/stat.h>

namespace {

constexpr const char* kName = "fuzz_user_list";

// A folder name that names a directory right below the users' root; a list
// holding any other may have its students refused by name. Windows reads a
// name of dots and blanks only ("...", ". .") as the root or its parent.
bool PlainFolder(const std::string& folder) {
    return folder.find_first_not_of(". ") != std::string::npos &&
           folder.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::RemoveEntry("users");
    fuzz::RemoveEntry("copy");
    ::mkdir((fuzz::ScratchDir() + "users").c_str(), 0700);
    const std::string path =
        fuzz::WriteInput(std::string("users/") + CUserList::kFileName, data, size);
    const std::string input(reinterpret_cast<const char*>(data), size);

    CUserList list;
    list.SetRetry(0, 0);
    const bool loaded = list.Load(fuzz::ScratchDir() + "users");
    std::string after;
    if (!fuzz::ReadWholeFile(path, after) || after != input)
        fuzz::Fail(kName, "reading the list changes the file");
    if (!loaded) {
        if (list.GetErrorText().empty())
            fuzz::Fail(kName, "the list is refused without a reason");
        if (!list.Users().empty())
            fuzz::Fail(kName, "a refused list still holds students");
        return 0;
    }
    bool plain = true;
    for (const auto& entry : list.Users())
        plain = plain && PlainFolder(entry.first);
    for (const auto& [folder, name] : list.Users())
        if (plain && !list.FindUser(name, nullptr))
            fuzz::Fail(kName, "the student in folder \"" + folder + "\" is not found by name");

    if (!list.Save(fuzz::ScratchDir() + "copy"))
        fuzz::Fail(kName, "saving the list fails: " + list.GetErrorText());
    CUserList back;
    back.SetRetry(0, 0);
    if (!back.Load(fuzz::ScratchDir() + "copy"))
        fuzz::Fail(kName, "the saved list is refused: " + back.GetErrorText());
    if (back.Users() != list.Users())
        fuzz::Fail(kName, "saved and read back, the list changes (" +
                              std::to_string(list.Users().size()) + " students, " +
                              std::to_string(back.Users().size()) + " read back)");
    return 0;
}
