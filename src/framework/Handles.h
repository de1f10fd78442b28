// Owners of the kernel, registry, shell and GDI handles the program opens. Each closes its handle
// in its destructor, so no path out of a function forgets one.
//
// Errors in the framework layer: a wrapper gives what the Win32 call gives, a bool (the reason in
// GetLastError), a handle that IsValid tells, or the Win32 error code itself (DWORD, LONG for the
// registry) where the caller acts on the reason. Nothing throws.
#pragma once

#include <windows.h>
#include <shlobj.h>

namespace win32 {

// The owner of one handle. Traits names its type, tells a handle from none and gives it back.
template <class Traits> class UniqueHandle
{
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    [[nodiscard]] bool IsValid() const { return Traits::IsValid(m_handle); }
    Handle Get() const { return m_handle; }
    // The place of the handle, emptied, for a call that opens one into it.
    Handle* Receive()
    {
        Close();
        return &m_handle;
    }
    // Gives the handle up without closing it.
    Handle Release()
    {
        const Handle handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void Reset(Handle handle = nullptr)
    {
        Close();
        m_handle = handle;
    }
    void Close()
    {
        if (IsValid())
            Traits::Close(m_handle);
        m_handle = nullptr;
    }

private:
    Handle m_handle = nullptr;
};

struct KernelHandleTraits
{
    using Handle = HANDLE;
    static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

struct RegistryKeyTraits
{
    using Handle = HKEY;
    static bool IsValid(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};
using RegistryKeyHandle = UniqueHandle<RegistryKeyTraits>;

// Memory the shell hands out (an identifier list, a path text), given back with CoTaskMemFree.
template <class T> class CoTaskMem
{
public:
    CoTaskMem() = default;
    ~CoTaskMem() { CoTaskMemFree(m_p); }
    CoTaskMem(const CoTaskMem&) = delete;
    CoTaskMem& operator=(const CoTaskMem&) = delete;

    T* Get() const { return m_p; }
    T** Receive()
    {
        CoTaskMemFree(m_p);
        m_p = nullptr;
        return &m_p;
    }

private:
    T* m_p = nullptr;
};

using ShellIdList = CoTaskMem<ITEMIDLIST>;
using TaskMemText = CoTaskMem<WCHAR>;

// A device context of a window, from GetDC, given back with ReleaseDC.
class WindowDC
{
public:
    explicit WindowDC(HWND hWnd) : m_hWnd(hWnd), m_hDC(GetDC(hWnd)) {}
    ~WindowDC()
    {
        if (m_hDC)
            ReleaseDC(m_hWnd, m_hDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

// An icon loaded at a size of the program's choosing, destroyed with DestroyIcon (unlike the shared
// icons LoadIcon gives, which must never be destroyed).
struct OwnedIconTraits
{
    using Handle = HICON;
    static bool IsValid(HICON icon) { return icon != nullptr; }
    static void Close(HICON icon) { DestroyIcon(icon); }
};
using OwnedIcon = UniqueHandle<OwnedIconTraits>;

// A SID built with AllocateAndInitializeSid, released with FreeSid.
class AllocatedSid
{
public:
    AllocatedSid() = default;
    ~AllocatedSid()
    {
        if (m_sid)
            FreeSid(m_sid);
    }
    AllocatedSid(const AllocatedSid&) = delete;
    AllocatedSid& operator=(const AllocatedSid&) = delete;

    PSID Get() const { return m_sid; }
    PSID* Receive() { return &m_sid; }

private:
    PSID m_sid = nullptr;
};

} // namespace win32
