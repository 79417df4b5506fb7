#pragma once
// The string list protocol shared by the wide list (cWStrings) and the narrow one (cStrings):
// lines by index, each with an optional object, abstract over where the lines are kept. The base
// class implements everything that can be said in terms of a few primitive operations; concrete
// lists supply Get, GetCount, Clear, Delete and Insert and override what they can do better.
//
// <windows.h> comes first on purpose: it turns GetObject into GetObjectW, and every file that
// sees this class must see the same name.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// The object a line may carry: an opaque pointer-sized value, 0 for none.
using tLineObject = std::uintptr_t;

template <class Char>
class cBasicStrings {
public:
  using tChar = Char;
  using tString = std::basic_string<Char>;
  using tView = std::basic_string_view<Char>;

  // Brackets a batch of changes for as long as it lives, also when the batch fails.
  class cUpdateScope {
  public:
    explicit cUpdateScope(cBasicStrings& list) : list_(list) { list_.BeginUpdate(); }
    ~cUpdateScope() { list_.EndUpdate(); }
    cUpdateScope(const cUpdateScope&) = delete;
    cUpdateScope& operator=(const cUpdateScope&) = delete;

  private:
    cBasicStrings& list_;
  };

  cBasicStrings() = default;
  cBasicStrings(const cBasicStrings&) = delete;
  cBasicStrings& operator=(const cBasicStrings&) = delete;
  virtual ~cBasicStrings() = default;

  virtual tString Get(int index) const = 0;
  virtual int GetCapacity() const;
  virtual int GetCount() const = 0;
  virtual tLineObject GetObject(int index) const;
  // All lines, each followed by CR LF.
  virtual tString GetTextStr() const;
  // Replaces a line, keeping its object.
  virtual void Put(int index, tView text);
  virtual void PutObject(int index, tLineObject object);
  virtual void SetCapacity(int capacity);
  // Replaces all lines by those of the text. CR LF, LF and CR each end a line; a final break adds
  // no empty line; a U+0000 ends the text.
  virtual void SetTextStr(tView text);
  // Ordinal comparison of the code units, -1, 0 or +1.
  virtual int CompareStrings(tView text1, tView text2) const;
  virtual int Add(tView text);
  virtual int AddObject(tView text, tLineObject object);
  virtual void AddStrings(const cBasicStrings& source);
  virtual void Clear() = 0;
  virtual void Delete(int index) = 0;
  virtual void Exchange(int index1, int index2);
  virtual int IndexOf(tView text) const;
  virtual int IndexOfObject(tLineObject object) const;
  virtual void Insert(int index, tView text) = 0;
  virtual void InsertObject(int index, tView text, tLineObject object);
  // Moves a line with its object; newIndex counts in the list without the line.
  virtual void Move(int currentIndex, int newIndex);

  // The name messages use for the class of the list.
  virtual std::wstring_view ClassName() const = 0;

  // Only the outermost pair reaches SetUpdateState.
  void BeginUpdate();
  void EndUpdate();
  // Throws cStringListError with the string-table message formatted with data (its one "%d").
  [[noreturn]] void Error(unsigned messageId, int data) const;

protected:
  // Called with true when the outermost batch begins and with false when it ends.
  virtual void SetUpdateState(bool updating);

private:
  int updateCount_ = 0;
};

extern template class cBasicStrings<char>;
extern template class cBasicStrings<wchar_t>;
