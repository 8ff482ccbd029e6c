#pragma once

// The system error codes the registry layer reports. They keep their historic
// numbers because settings code and stored diagnostics compare against them.

constexpr int ERROR_SUCCESS = 0;
constexpr int ERROR_FILE_NOT_FOUND = 2;
constexpr int ERROR_ACCESS_DENIED = 5;
constexpr int ERROR_INVALID_HANDLE = 6;
constexpr int ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr int ERROR_INVALID_DATA = 13;
constexpr int ERROR_NOT_SUPPORTED = 50;
constexpr int ERROR_BAD_NETPATH = 53;
constexpr int ERROR_INVALID_PARAMETER = 87;
constexpr int ERROR_ALREADY_EXISTS = 183;
constexpr int ERROR_MORE_DATA = 234;
constexpr int ERROR_NO_MORE_ITEMS = 259;
constexpr int ERROR_REGISTRY_CORRUPT = 1015;
constexpr int ERROR_REGISTRY_IO_FAILED = 1016;
constexpr int ERROR_KEY_DELETED = 1018;
