// The renderer's registry key, changed by a test and put back as it was at the end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class RendererKey {
  public:
    static constexpr const wchar_t* path = L"SOFTWARE\\Tavren\\Vistrel";

    // Saves every value of the key, whatever the test goes on to change.
    RendererKey() {
        HKEY key = nullptr;
        existed = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (!existed) return;
        for (DWORD index = 0;; ++index) {
            wchar_t name[16384];
            DWORD name_length = 16384;
            Value value{L"", 0, std::vector<BYTE>(65536)};
            DWORD size = static_cast<DWORD>(value.data.size());
            if (RegEnumValueW(key, index, name, &name_length, nullptr, &value.type,
                              value.data.data(), &size) != ERROR_SUCCESS)
                break;
            value.name.assign(name, name_length);
            value.data.resize(size);
            saved.push_back(value);
        }
        RegCloseKey(key);
    }

    ~RendererKey() {
        remove_key();
        if (!existed) return;
        HKEY key = open();
        for (const Value& value : saved) {
            RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        }
        RegCloseKey(key);
    }

    RendererKey(const RendererKey&) = delete;
    RendererKey& operator=(const RendererKey&) = delete;

    // The text of a value as it was when the test began; none when it was missing.
    std::optional<std::wstring> original(const wchar_t* name) const {
        for (const Value& value : saved) {
            if (value.name == name && value.type == REG_SZ)
                return std::wstring(reinterpret_cast<const wchar_t*>(value.data.data()));
        }
        return std::nullopt;
    }

    void remove_key() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, path); }

    void remove_value(const wchar_t* name) {
        HKEY key = open();
        RegDeleteValueW(key, name);
        RegCloseKey(key);
    }

    void set(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
        set_bytes(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }

    void set_bytes(const wchar_t* name, DWORD type, const void* data, std::size_t size) {
        HKEY key = open();
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data),
                       static_cast<DWORD>(size));
        RegCloseKey(key);
    }

  private:
    struct Value {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };

    static HKEY open() {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        return key;
    }

    bool existed = false;
    std::vector<Value> saved;
};
