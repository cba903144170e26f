// Values that earlier start-up steps record for the VM launch: the instance
// semaphore's name and the position of the first file that was not extracted.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// None when no semaphore was created or its name is empty.
std::optional<std::string> getInstanceSemaphoreName();
void setInstanceSemaphoreName(const std::string& name);

// 0 when nothing was extracted.
int64_t getUnextractedPosition();
void setUnextractedPosition(int64_t position);
