#include "framework/MessageMap.h"

bool CCmdTarget::DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    for (const MessageMap* map = GetMessageMap(); map; map = map->base) {
        for (const MessageMapEntry* entry = map->entries; entry->message != 0; ++entry) {
            if (entry->message != message)
                continue;
            if (message == WM_COMMAND && (entry->id != id || entry->code != code))
                continue;
            result = entry->handler(this, wParam, lParam);
            return true;
        }
    }
    return false;
}
