// The exceptions the toolkit raises for invalid settings and unreadable data.
#pragma once

#include <stdexcept>
#include <string>

namespace tarvo::toolkit {

// Base of every toolkit error; what() is the text shown to a developer.
class EToolkitError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A property was given a value outside its allowed range ("Max must be greater than min").
class EInvalidProperty : public EToolkitError {
 public:
  using EToolkitError::EToolkitError;
};

// A stored image block is malformed (too short for its stated size, bad length).
class EDibFormatError : public EToolkitError {
 public:
  using EToolkitError::EToolkitError;
};

// A compressed (wrapped) image block: the reader has no decompressor for it.
class EDecompressorNotFound : public EToolkitError {
 public:
  EDecompressorNotFound() : EToolkitError("Could not find a suitable decompressor.") {}
};

// A glyph atlas file is malformed.
class EGlyphAtlasError : public EToolkitError {
 public:
  using EToolkitError::EToolkitError;
};

}  // namespace tarvo::toolkit
