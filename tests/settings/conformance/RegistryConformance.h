#pragma once

// The registry functions as the program relies on them, written once and run on every store:
// the file hive on Linux and the Windows registry (under Wine in the cross build), so both
// answer each call with the same result code, size and data.
//
// A backend is a type with:
//   Backend();                          // a registry to test, ready to use
//   RegistryApi& Registry();
//   static HKEY Root();                 // the root the scratch key lives under
//   std::string ScratchKey() const;     // a key path under Root() that this run may own
//   static void SetEnvironment(const std::string& name, const std::string& value);
// Each test works in a fresh scratch key, which it removes again with everything below it.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "settings/RegistryApi.h"

namespace qm::test {

// One RegQueryValueExA call with a buffer of the given size.
struct Queried {
    LONG code = -1;
    DWORD type = 0xFFFF;
    DWORD size = 0;
    std::string data;  // the buffer's first `size` bytes after a success

    // The code, the size and the data: what most checks compare at once.
    std::string Seen() const { return std::to_string(code) + " " + std::to_string(size) + " " + data; }
};

template <class Backend>
class RegistryConformance : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(scratchPath_);
        DWORD disposition = 0;
        ASSERT_EQ(api_.RegCreateKeyExA(Backend::Root(), scratchPath_, "", REG_OPTION_NON_VOLATILE,
                                       KEY_ALL_ACCESS, &scratch_, &disposition),
                  ERROR_SUCCESS);
        ASSERT_EQ(disposition, REG_CREATED_NEW_KEY);
    }

    void TearDown() override {
        for (HKEY key : opened_) {
            api_.RegCloseKey(key);
        }
        api_.RegCloseKey(scratch_);
        DeleteTree(scratchPath_);
    }

    RegistryApi& Api() { return api_; }
    HKEY Scratch() const { return scratch_; }

    // Creates (or opens) a key under the scratch key; closed at the end of the test.
    HKEY Create(const std::string& path, DWORD* disposition = nullptr) {
        HKEY key = 0;
        const LONG code = api_.RegCreateKeyExA(scratch_, path, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                               &key, disposition);
        EXPECT_EQ(Kept(code, key), ERROR_SUCCESS) << "creating " << path;
        return key;
    }

    // Opens a key under the scratch key; closed at the end of the test.
    LONG Open(const std::string& path, REGSAM desired, HKEY& key) {
        key = 0xBAD;
        const LONG code = api_.RegOpenKeyExA(scratch_, path, 0, desired, &key);
        return Kept(code, key);
    }

    LONG Set(HKEY key, const std::string& name, DWORD type, const std::string& bytes) {
        return api_.RegSetValueExA(key, name, type, reinterpret_cast<const unsigned char*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size()));
    }

    // A query into a buffer of bufferSize bytes, filled with 'x' beforehand.
    Queried Query(HKEY key, const std::string& name, DWORD bufferSize) {
        std::vector<unsigned char> buffer(bufferSize + 1, 'x');
        Queried q;
        q.size = bufferSize;
        q.code = api_.RegQueryValueExA(key, name, &q.type, buffer.data(), &q.size);
        if (q.code == ERROR_SUCCESS) {
            q.data.assign(buffer.begin(), buffer.begin() + q.size);
        }
        return q;
    }

    // The type and size alone, with no buffer.
    Queried Probe(HKEY key, const std::string& name) {
        Queried q;
        q.code = api_.RegQueryValueExA(key, name, &q.type, nullptr, &q.size);
        return q;
    }

    std::vector<std::string> SubKeys(HKEY key) {
        std::vector<std::string> names;
        for (DWORD index = 0;; ++index) {
            char name[256];
            DWORD size = sizeof name;
            const LONG code = api_.RegEnumKeyExA(key, index, name, &size);
            if (code != ERROR_SUCCESS) {
                EXPECT_EQ(code, ERROR_NO_MORE_ITEMS);
                break;
            }
            names.emplace_back(name, size);
        }
        return names;
    }

    // "name=type:data" for every value, in enumeration order.
    std::vector<std::string> Values(HKEY key) {
        std::vector<std::string> values;
        for (DWORD index = 0;; ++index) {
            char name[256];
            DWORD nameSize = sizeof name;
            unsigned char data[512];
            DWORD dataSize = sizeof data;
            DWORD type = 0;
            const LONG code = api_.RegEnumValueA(key, index, name, &nameSize, &type, data, &dataSize);
            if (code != ERROR_SUCCESS) {
                EXPECT_EQ(code, ERROR_NO_MORE_ITEMS);
                break;
            }
            values.push_back(std::string(name, nameSize) + "=" + std::to_string(type) + ":" +
                             std::string(reinterpret_cast<char*>(data), dataSize));
        }
        return values;
    }

    // Removes a key under the root and everything below it; a missing key is fine.
    void DeleteTree(const std::string& path) {
        HKEY key = 0;
        if (api_.RegOpenKeyExA(Backend::Root(), path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
            return;
        }
        const std::vector<std::string> children = SubKeys(key);
        api_.RegCloseKey(key);
        for (const std::string& child : children) {
            DeleteTree(path + "\\" + child);
        }
        api_.RegDeleteKeyA(Backend::Root(), path);
    }

private:
    LONG Kept(LONG code, HKEY key) {
        if (code == ERROR_SUCCESS) {
            opened_.push_back(key);
        }
        return code;
    }

    Backend backend_;
    RegistryApi& api_ = backend_.Registry();
    const std::string scratchPath_ = backend_.ScratchKey();
    HKEY scratch_ = 0;
    std::vector<HKEY> opened_;
};

TYPED_TEST_SUITE_P(RegistryConformance);

TYPED_TEST_P(RegistryConformance, OpeningAndCreatingKeys) {
    RegistryApi& api = this->Api();
    // The missing keys on the way are made too; names are compared without case.
    for (const auto& [path, disposition] : {std::pair{"Alpha\\Beta\\Gamma", REG_CREATED_NEW_KEY},
                                            {"Alpha\\Beta\\Gamma", REG_OPENED_EXISTING_KEY},
                                            {"alpha\\BETA", REG_OPENED_EXISTING_KEY}}) {
        DWORD seen = 0;
        EXPECT_NE(this->Create(path, &seen), 0u) << path;
        EXPECT_EQ(seen, disposition) << path;
    }
    // A trailing backslash names the same key (a base key ending in one, with no key name); an
    // empty path opens the key anew.
    HKEY key = 0;
    for (const auto& [path, code] : {std::pair{"Missing", ERROR_FILE_NOT_FOUND},
                                     {"ALPHA\\beta\\gamma", ERROR_SUCCESS},
                                     {"Alpha\\Beta\\", ERROR_SUCCESS},
                                     {"", ERROR_SUCCESS}}) {
        EXPECT_EQ(this->Open(path, KEY_READ, key), code) << path;
    }
    EXPECT_NE(key, this->Scratch());

    // Handles that were never given out, or were closed, are refused everywhere.
    HKEY spent = 0;
    ASSERT_EQ(api.RegOpenKeyExA(this->Scratch(), "Alpha", 0, KEY_ALL_ACCESS, &spent), ERROR_SUCCESS);
    EXPECT_EQ(api.RegCloseKey(spent), ERROR_SUCCESS);
    EXPECT_EQ(api.RegCloseKey(spent), ERROR_INVALID_HANDLE);
    DWORD size = 0;
    EXPECT_EQ(api.RegQueryValueExA(spent, "x", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(this->Set(spent, "x", REG_SZ, std::string("1\0", 2)), ERROR_INVALID_HANDLE);
    EXPECT_EQ(api.RegOpenKeyExA(spent, "Beta", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(api.RegCloseKey(0), ERROR_INVALID_HANDLE);
}

// Every type keeps its type and bytes: Windows-1252 text byte for byte, and nothing expanded.
// A text written without its NUL is stored with one, as Windows does. A buffer too small (the
// probe's holds 255 bytes) fails with ERROR_MORE_DATA and learns the size needed.
TYPED_TEST_P(RegistryConformance, ValuesKeepTheirTypeAndBytes) {
    using S = std::string;
    RegistryApi& api = this->Api();
    const HKEY key = this->Create("Values");
    EXPECT_EQ(this->Probe(key, "").code, ERROR_FILE_NOT_FOUND) << "a new key's default value is unset";
    EXPECT_EQ(this->Query(key, "Nope", 255).code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(api.RegDeleteValueA(key, "Nope"), ERROR_FILE_NOT_FOUND);
    for (const auto& [name, type, written, buffer, stored] :
         std::vector<std::tuple<std::string, DWORD, S, DWORD, S>>{
             {"", REG_SZ, S("1.00\0", 5), 255, S("1.00\0", 5)},
             {"Text", REG_SZ, S("hello\0", 6), 3, S("hello\0", 6)},
             {"Bare", REG_SZ, "abc", 10, S("abc\0", 4)},
             {"BareMulti", REG_MULTI_SZ, S("a\0b", 3), 10, S("a\0b\0", 4)},
             {"Empty", REG_SZ, S("\0", 1), 255, S("\0", 1)},
             {"Nothing", REG_SZ, "", 255, ""},
             {"Ansi \xE9", REG_SZ, S("Caf\xE9 \x80 \xFC\0", 9), 255, S("Caf\xE9 \x80 \xFC\0", 9)},
             {"Expand", REG_EXPAND_SZ, S("%PATH%\\x\0", 9), 255, S("%PATH%\\x\0", 9)},
             {"Multi", REG_MULTI_SZ, S("one\0two\0\0", 9), 255, S("one\0two\0\0", 9)},
             {"Dword", REG_DWORD, S("\x05\0\0\0", 4), 255, S("\x05\0\0\0", 4)},
             {"Binary", REG_BINARY, S("\x0A\xFF\0\x10", 4), 255, S("\x0A\xFF\0\x10", 4)},
             {"None", REG_NONE, "\x01", 255, "\x01"},
             {"Fits", REG_SZ, S(254, 'a') + '\0', 255, S(254, 'a') + '\0'},
             {"Over", REG_SZ, S(255, 'b') + '\0', 255, S(255, 'b') + '\0'}}) {
        SCOPED_TRACE(name + " in " + std::to_string(buffer));
        ASSERT_EQ(this->Set(key, name, type, written), ERROR_SUCCESS);
        const Queried q = this->Query(key, name, buffer);
        const bool fits = buffer >= stored.size();
        EXPECT_EQ(q.Seen(),
                  (fits ? "0 " : "234 ") + std::to_string(stored.size()) + " " + (fits ? stored : ""));
        EXPECT_TRUE(!fits || q.type == type) << q.type;
    }
    EXPECT_EQ(this->Probe(key, "Text").Seen(), "0 6 ") << "the size counts the NUL that was written";
    EXPECT_EQ(this->Probe(key, "Nothing").type, REG_SZ);
    EXPECT_EQ(this->Query(key, "Bare", 3).code, ERROR_MORE_DATA) << "even where the bytes written fit";
    // A write replaces the value whole, type included.
    ASSERT_EQ(this->Set(key, "Dword", REG_SZ, std::string("5\0", 2)), ERROR_SUCCESS);
    EXPECT_EQ(this->Probe(key, "Dword").type, REG_SZ);
    DWORD type = 0;  // the type alone, with neither buffer nor size
    EXPECT_EQ(api.RegQueryValueExA(key, "Binary", &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);

    // Value names are compared without case; the default value deletes like any other.
    EXPECT_EQ(this->Probe(key, "BINARY").code, ERROR_SUCCESS);
    EXPECT_EQ(api.RegDeleteValueA(key, "binary"), ERROR_SUCCESS);
    EXPECT_EQ(this->Probe(key, "Binary").code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(api.RegDeleteValueA(key, "Binary"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(api.RegDeleteValueA(key, ""), ERROR_SUCCESS);
    EXPECT_EQ(this->Probe(key, "").code, ERROR_FILE_NOT_FOUND);
}

TYPED_TEST_P(RegistryConformance, Enumeration) {
    RegistryApi& api = this->Api();
    const HKEY key = this->Create("Listed");
    EXPECT_TRUE(this->SubKeys(key).empty());
    EXPECT_TRUE(this->Values(key).empty());
    // Made in any order, subkeys are listed by name, without case; direct subkeys only.
    for (const char* path : {"Listed\\Cherry", "Listed\\apple", "Listed\\Banana\\Inner"}) {
        this->Create(path);
    }
    EXPECT_EQ(this->SubKeys(key), (std::vector<std::string>{"apple", "Banana", "Cherry"}));

    ASSERT_EQ(this->Set(key, "First", REG_SZ, std::string("one\0", 4)), ERROR_SUCCESS);
    ASSERT_EQ(this->Set(key, "Second", REG_DWORD, std::string("\x02\x00\x00\x00", 4)), ERROR_SUCCESS);
    EXPECT_EQ(this->Values(key), (std::vector<std::string>{std::string("First=1:one\0", 12),
                                                           std::string("Second=4:\x02\0\0\0", 13)}));

    // Buffers too small for a name or for the data. (The end of the lists: SubKeys and Values.)
    char name[8];
    DWORD nameSize = 6;
    EXPECT_EQ(api.RegEnumKeyExA(key, 1, name, &nameSize), ERROR_MORE_DATA) << "Banana needs 7 with its NUL";
    nameSize = 7;
    EXPECT_EQ(api.RegEnumKeyExA(key, 1, name, &nameSize), ERROR_SUCCESS);
    EXPECT_EQ(nameSize, 6u) << "the size returned leaves the NUL out";
    EXPECT_EQ(std::string(name), "Banana");

    nameSize = sizeof name;
    unsigned char data[2];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    EXPECT_EQ(api.RegEnumValueA(key, 0, name, &nameSize, &type, data, &dataSize), ERROR_MORE_DATA);
    EXPECT_EQ(dataSize, 4u) << "the size needed";
    nameSize = 5;
    unsigned char roomy[255];
    dataSize = sizeof roomy;
    EXPECT_EQ(api.RegEnumValueA(key, 0, name, &nameSize, &type, roomy, &dataSize), ERROR_MORE_DATA)
        << "First needs 6 with its NUL";
}

TYPED_TEST_P(RegistryConformance, AccessRightsOfAHandle) {
    RegistryApi& api = this->Api();
    const HKEY writable = this->Create("Guarded");
    ASSERT_EQ(this->Set(writable, "Kept", REG_SZ, std::string("yes\0", 4)), ERROR_SUCCESS);

    HKEY reader = 0;
    ASSERT_EQ(this->Open("Guarded", KEY_READ, reader), ERROR_SUCCESS);
    EXPECT_EQ(this->Set(reader, "New", REG_SZ, std::string("no\0", 3)), ERROR_ACCESS_DENIED);
    EXPECT_EQ(api.RegDeleteValueA(reader, "Kept"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(this->Query(reader, "Kept", 255).code, ERROR_SUCCESS);
    EXPECT_EQ(this->Probe(writable, "New").code, ERROR_FILE_NOT_FOUND) << "the refused write left nothing";

    HKEY writer = 0;
    ASSERT_EQ(this->Open("Guarded", KEY_WRITE, writer), ERROR_SUCCESS);
    EXPECT_EQ(this->Query(writer, "Kept", 255).code, ERROR_ACCESS_DENIED);
    EXPECT_EQ(this->Set(writer, "New", REG_SZ, std::string("ok\0", 3)), ERROR_SUCCESS);

    HKEY valuesOnly = 0;
    ASSERT_EQ(this->Open("Guarded", KEY_QUERY_VALUE, valuesOnly), ERROR_SUCCESS);
    char name[64];
    DWORD nameSize = sizeof name;
    EXPECT_EQ(api.RegEnumKeyExA(valuesOnly, 0, name, &nameSize), ERROR_ACCESS_DENIED);
    nameSize = sizeof name;
    DWORD type = 0;
    EXPECT_EQ(api.RegEnumValueA(valuesOnly, 0, name, &nameSize, &type, nullptr, nullptr), ERROR_SUCCESS);
}

TYPED_TEST_P(RegistryConformance, DeletingKeys) {
    RegistryApi& api = this->Api();
    const HKEY parent = this->Create("Tree");
    this->Create("Tree\\Branch\\Leaf");
    EXPECT_EQ(api.RegDeleteKeyA(parent, "Branch"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
    HKEY key = 0;
    EXPECT_EQ(this->Open("Tree\\Branch\\Leaf", KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(api.RegDeleteKeyA(parent, "Missing"), ERROR_FILE_NOT_FOUND);

    // A key deleted under an open handle: the handle still closes, but reaches nothing.
    HKEY leaf = 0;
    ASSERT_EQ(api.RegOpenKeyExA(this->Scratch(), "Tree\\Branch\\Leaf", 0, KEY_ALL_ACCESS, &leaf),
              ERROR_SUCCESS);
    EXPECT_EQ(api.RegDeleteKeyA(parent, "branch\\LEAF"), ERROR_SUCCESS);
    EXPECT_EQ(this->Probe(leaf, "x").code, ERROR_KEY_DELETED);
    EXPECT_EQ(this->Set(leaf, "x", REG_SZ, std::string("1\0", 2)), ERROR_KEY_DELETED);
    EXPECT_EQ(api.RegCloseKey(leaf), ERROR_SUCCESS);
    EXPECT_EQ(this->Open("Tree\\Branch\\Leaf", KEY_READ, key), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(api.RegDeleteKeyA(parent, "Branch"), ERROR_SUCCESS) << "now childless";
    EXPECT_TRUE(this->SubKeys(parent).empty());
}

TYPED_TEST_P(RegistryConformance, ExpandingEnvironmentStrings) {
    RegistryApi& api = this->Api();
    TypeParam::SetEnvironment("QM_CONFORMANCE_DIR", "C:\\Switch");
    // Names match without case.
    const std::string source = "%qm_conformance_dir%\\bin;%QM_CONFORMANCE_NOWHERE%;100%";
    const std::string expanded = "C:\\Switch\\bin;%QM_CONFORMANCE_NOWHERE%;100%";
    const DWORD needed = api.ExpandEnvironmentStringsA(source, nullptr, 0);
    EXPECT_EQ(needed, expanded.size() + 1) << "the size counts the NUL";

    std::string small(5, '#');
    EXPECT_EQ(api.ExpandEnvironmentStringsA(source, small.data(), 5), needed);
    std::string buffer(needed, '#');
    EXPECT_EQ(api.ExpandEnvironmentStringsA(source, buffer.data(), needed), needed);
    EXPECT_EQ(buffer, expanded + '\0');
    EXPECT_EQ(api.ExpandEnvironmentStringsA("plain", buffer.data(), needed), 6u);
    EXPECT_EQ(std::string(buffer.c_str()), "plain");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryConformance, OpeningAndCreatingKeys, ValuesKeepTheirTypeAndBytes,
                            Enumeration, AccessRightsOfAHandle, DeletingKeys, ExpandingEnvironmentStrings);

}  // namespace qm::test
