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

class KernelHandle
{
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : m_handle(handle) {}
    ~KernelHandle() { Close(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    KernelHandle(KernelHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = nullptr; }
    KernelHandle& operator=(KernelHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_handle = other.m_handle;
            other.m_handle = nullptr;
        }
        return *this;
    }

    [[nodiscard]] bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    void Reset(HANDLE handle = nullptr)
    {
        Close();
        m_handle = handle;
    }
    void Close()
    {
        if (IsValid())
            CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle = nullptr;
};

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
class OwnedIcon
{
public:
    OwnedIcon() = default;
    explicit OwnedIcon(HICON icon) : m_hIcon(icon) {}
    ~OwnedIcon() { Close(); }
    OwnedIcon(const OwnedIcon&) = delete;
    OwnedIcon& operator=(const OwnedIcon&) = delete;
    OwnedIcon(OwnedIcon&& other) noexcept : m_hIcon(other.m_hIcon) { other.m_hIcon = nullptr; }
    OwnedIcon& operator=(OwnedIcon&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_hIcon = other.m_hIcon;
            other.m_hIcon = nullptr;
        }
        return *this;
    }

    [[nodiscard]] bool IsValid() const { return m_hIcon != nullptr; }
    HICON Get() const { return m_hIcon; }
    void Close()
    {
        if (m_hIcon)
            DestroyIcon(m_hIcon);
        m_hIcon = nullptr;
    }

private:
    HICON m_hIcon = nullptr;
};

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
