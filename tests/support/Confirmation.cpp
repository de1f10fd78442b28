#include "support/Confirmation.h"

std::wstring SecondConfirmationText(const std::vector<std::wstring>& pieces)
{
    std::wstring text = L"以下のデータを削除します。削除してよろしいですか？\n\n<ﾌｧｲﾙ/ﾌｫﾙﾀﾞ>\n";
    for (const std::wstring& piece : pieces)
        text += L" ･" + piece + L"\n";
    return text + L"\n※ 必要なﾌｧｲﾙ/ﾌｫﾙﾀﾞがある場合は、[ｷｬﾝｾﾙ]してください。";
}
