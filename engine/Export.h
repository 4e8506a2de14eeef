// Symbol visibility of the engine library's public interface.
#pragma once

#define BAITLIB_API __attribute__((visibility("default")))
