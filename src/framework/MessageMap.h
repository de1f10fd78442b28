// Message maps: a class lists the messages it handles in a table that reads like the dispatch it
// is, and a message that no entry of a class takes goes on to its base class's table.
//
//   BEGIN_MESSAGE_MAP(CMyDlg, CDialog)
//       ON_WM_PAINT()
//       ON_BN_CLICKED(IDC_DELETE, OnDelete)
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

class CCmdTarget;

struct MessageMapEntry
{
    UINT message; // 0 ends the table
    UINT code;    // notification code, for WM_COMMAND
    UINT id;      // control or command id, for WM_COMMAND
    LRESULT (*handler)(CCmdTarget* target, WPARAM wParam, LPARAM lParam);
};

struct MessageMap
{
    const MessageMap* base;
    const MessageMapEntry* entries;
};

// Root of every class with a message map.
class CCmdTarget
{
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;

    // Looks message up in the map chain; true with the handler's result when an entry took it.
    bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static const MessageMap* GetThisMessageMap() { return nullptr; }

protected:
    virtual const MessageMap* GetMessageMap() const { return nullptr; }
};

#define DECLARE_MESSAGE_MAP()                                                                                \
public:                                                                                                      \
    static const MessageMap* GetThisMessageMap();                                                            \
                                                                                                             \
protected:                                                                                                   \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                                               \
    const MessageMap* theClass::GetMessageMap() const                                                        \
    {                                                                                                        \
        return GetThisMessageMap();                                                                          \
    }                                                                                                        \
    const MessageMap* theClass::GetThisMessageMap()                                                          \
    {                                                                                                        \
        using ThisClass = theClass;                                                                          \
        using TheBaseClass = baseClass;                                                                      \
        static const MessageMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                                                    \
    {                                                                                                        \
        0, 0, 0, nullptr                                                                                     \
    }                                                                                                        \
    }                                                                                                        \
    ;                                                                                                        \
    static const MessageMap map = {TheBaseClass::GetThisMessageMap(), entries};                              \
    return &map;                                                                                             \
    }

#define ON_MESSAGE_VOID(msg, memberFxn)                                                                      \
    {msg, 0, 0, [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT {                                          \
         static_cast<ThisClass*>(target)->memberFxn();                                                       \
         return 0;                                                                                           \
     }},

// A message with its wParam and lParam, to a handler LRESULT memberFxn(WPARAM, LPARAM).
#define ON_MESSAGE(msg, memberFxn)                                                                           \
    {msg, 0, 0, [](CCmdTarget* target, WPARAM wParam, LPARAM lParam) -> LRESULT {                            \
         return static_cast<ThisClass*>(target)->memberFxn(wParam, lParam);                                  \
     }},

#define ON_CONTROL(notifyCode, id, memberFxn)                                                                \
    {WM_COMMAND, static_cast<UINT>(notifyCode), static_cast<UINT>(id),                                       \
     [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT {                                                     \
         static_cast<ThisClass*>(target)->memberFxn();                                                       \
         return 0;                                                                                           \
     }},

#define ON_COMMAND(id, memberFxn) ON_CONTROL(0, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_LBN_SELCHANGE(id, memberFxn) ON_CONTROL(LBN_SELCHANGE, id, memberFxn)
#define ON_LBN_SELCANCEL(id, memberFxn) ON_CONTROL(LBN_SELCANCEL, id, memberFxn)
#define ON_LBN_DBLCLK(id, memberFxn) ON_CONTROL(LBN_DBLCLK, id, memberFxn)

#define ON_WM_PAINT() ON_MESSAGE_VOID(WM_PAINT, OnPaint)

#define ON_WM_QUERYDRAGICON()                                                                                \
    {WM_QUERYDRAGICON, 0, 0, [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT {                             \
         return reinterpret_cast<LRESULT>(static_cast<ThisClass*>(target)->OnQueryDragIcon());               \
     }},

#define ON_WM_INITDIALOG()                                                                                   \
    {WM_INITDIALOG, 0, 0, [](CCmdTarget* target, WPARAM, LPARAM) -> LRESULT {                                \
         return static_cast<ThisClass*>(target)->OnInitDialog();                                             \
     }},
