// The captured text of one anonymous shader. A pointer to it is the shader handle that the
// writer hands out; the writer owns every buffer until it is destroyed.
#pragma once

#include <memory>

struct ShaderBuffer {
  public:
    ShaderBuffer() = default;
    ShaderBuffer(const ShaderBuffer&) = delete;
    ShaderBuffer& operator=(const ShaderBuffer&) = delete;

    // Appends n bytes. With n == 0 the bytes are a zero-terminated text and n becomes its
    // length; an explicit count marks the buffer binary (the bytes may hold zero bytes).
    void append(const char* bytes, int n);

    // The bytes held, always followed by a zero byte.
    const char* text() const { return text_ ? text_.get() : ""; }
    int length() const { return length_; }
    // -1 until the first append allocates.
    int capacity() const { return capacity_; }
    // A binary buffer is copied by length, never as a zero-terminated string.
    bool binary() const { return binary_; }

  private:
    void grow(int n);

    std::unique_ptr<char[]> text_;
    int length_ = 0;
    int capacity_ = -1;
    bool binary_ = false;
};
