// The catalog fields that have no getter, read by the test kit and the catalog's own test.
#pragma once

#include "catalog/ProductCatalog.h"

struct ProductEntryInspector
{
    static CString InstallFolder(const CProductEntry& e) { return e.m_strInstallFolder; }
    static CString ProductKey(const CProductEntry& e) { return e.m_strProductKey; }
    static CString ProductName(const CProductEntry& e) { return e.m_strProductName; }
};
