#include "settings/hive/HiveKey.h"

#include <algorithm>

namespace qm {

namespace {

// The capital of a Windows-1252 letter; other bytes stay as they are.
unsigned char FoldCase(unsigned char c) {
    if (c >= 'a' && c <= 'z') {
        return static_cast<unsigned char>(c - 'a' + 'A');
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {  // à..þ without ÷
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
        case 0x9A:  // š
            return 0x8A;
        case 0x9C:  // œ
            return 0x8C;
        case 0x9E:  // ž
            return 0x8E;
        case 0xFF:  // ÿ
            return 0x9F;
        default:
            return c;
    }
}

const std::string& NameOf(const HiveKey& key) {
    return key.Name();
}
const std::string& NameOf(const HiveValue& value) {
    return value.name;
}

template <typename Items>
auto FindNamed(Items& items, const std::string& name) {
    return std::find_if(items.begin(), items.end(),
                        [&](const auto& item) { return SameRegistryName(NameOf(item), name); });
}

}  // namespace

bool SameRegistryName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(static_cast<unsigned char>(x)) == FoldCase(static_cast<unsigned char>(y));
           });
}

std::string FoldedRegistryName(const std::string& name) {
    std::string folded(name.size(), '\0');
    std::transform(name.begin(), name.end(), folded.begin(),
                   [](char c) { return static_cast<char>(FoldCase(static_cast<unsigned char>(c))); });
    return folded;
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start) {
            parts.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

HiveKey* HiveKey::FindSubKey(const std::string& name) {
    auto it = FindNamed(subKeys_, name);
    return it == subKeys_.end() ? nullptr : &*it;
}

const HiveKey* HiveKey::FindSubKey(const std::string& name) const {
    auto it = FindNamed(subKeys_, name);
    return it == subKeys_.end() ? nullptr : &*it;
}

HiveKey& HiveKey::SubKey(const std::string& name, bool* created) {
    HiveKey* existing = FindSubKey(name);
    if (created != nullptr) {
        *created = existing == nullptr;
    }
    if (existing != nullptr) {
        return *existing;
    }
    // Subkeys enumerate in name order, without regard to case, as the Windows registry gives them.
    auto position = std::find_if(subKeys_.begin(), subKeys_.end(), [&](const HiveKey& key) {
        return std::lexicographical_compare(
            name.begin(), name.end(), key.Name().begin(), key.Name().end(), [](char x, char y) {
                return FoldCase(static_cast<unsigned char>(x)) < FoldCase(static_cast<unsigned char>(y));
            });
    });
    return *subKeys_.insert(position, HiveKey(name));
}

bool HiveKey::RemoveSubKey(const std::string& name) {
    auto it = FindNamed(subKeys_, name);
    if (it == subKeys_.end()) {
        return false;
    }
    subKeys_.erase(it);
    return true;
}

HiveKey* HiveKey::Find(const std::vector<std::string>& path) {
    HiveKey* key = this;
    for (const std::string& part : path) {
        key = key->FindSubKey(part);
        if (key == nullptr) {
            return nullptr;
        }
    }
    return key;
}

const HiveKey* HiveKey::Find(const std::vector<std::string>& path) const {
    return const_cast<HiveKey*>(this)->Find(path);
}

const HiveValue* HiveKey::FindValue(const std::string& name) const {
    auto it = FindNamed(values_, name);
    return it == values_.end() ? nullptr : &*it;
}

void HiveKey::SetValue(const std::string& name, DWORD type, std::vector<unsigned char> data) {
    auto it = FindNamed(values_, name);
    if (it == values_.end()) {
        values_.push_back(HiveValue{name, type, std::move(data)});
    } else {
        it->type = type;
        it->data = std::move(data);
    }
}

bool HiveKey::RemoveValue(const std::string& name) {
    auto it = FindNamed(values_, name);
    if (it == values_.end()) {
        return false;
    }
    values_.erase(it);
    return true;
}

}  // namespace qm
