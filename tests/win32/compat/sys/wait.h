#pragma once
// fork and waitpid are declared by TestCompat.h.
