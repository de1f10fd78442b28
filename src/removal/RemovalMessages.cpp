#include "removal/RemovalMessages.h"

const char kAppTitle[] = "ルミナGOシリーズの削除";
