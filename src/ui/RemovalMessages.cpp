#include "ui/RemovalMessages.h"

const char kAppTitle[] = "ルミナGOシリーズの削除";
