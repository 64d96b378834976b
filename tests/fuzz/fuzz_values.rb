# frozen_string_literal: true

# Random argument values for the binding fuzzer: every Ruby type a script can pass, with the
# values that break conversions (out-of-range integers, NaN, infinities, floats beyond the float
# range, odd strings, arrays of mixed and wrong types) and numbers and ranges whose conversion
# runs Ruby code. With `changing` on, that code also changes what the call it runs in already
# took: it re-initialises the receiver, grows the call's texts, collects garbage or leaves the
# conversion suspended in a Fiber.
class FuzzValues
  # Raised on purpose by a conversion; the fuzzer accepts it as a caller's own error.
  class OwnError < StandardError; end

  # A Numeric whose to_f and to_int run an action while the binding converts an array.
  class ReentrantNumber < Numeric
    def initialize(values, action)
      super()
      @values = values
      @action = action
    end

    def to_f = @values.act(@action) && 1.5
    def to_int = @values.act(@action) && 2
  end

  # A Range whose begin runs an action (FloatVector#[] reads it).
  class ReentrantRange < Range
    def initialize(values, action, first, last)
      super(first, last)
      @values = values
      @action = action
    end

    def begin = @values.act(@action) && super
  end

  ACTIONS = %i[call shrink raise none].freeze
  CHANGING_ACTIONS = %i[renew grow collect yield].freeze

  INTEGERS = [0, 1, -1, 2, 3, 4, 255, 256, -255, 2**31 - 1, 2**31, -2**31, -2**31 - 1, 2**32,
              2**62, 2**63, -2**63 - 1, 2**64, 2**100, -(2**100)].freeze
  FLOATS = [0.0, -0.0, 0.5, -1.5, 1.0e6, Float::NAN, Float::INFINITY, -Float::INFINITY,
            3.4028234663852886e+38, 3.4028235677973366e+38, -3.5e38, 1.0e39, Float::MAX,
            -Float::MAX, Float::MIN, 5.0e-324, 1.0e-40].freeze
  TEXT_PIECES = ['a', 'Brick', ' ', '"', '\\', "\n", "\r", "\t", "\0", "\x7f", "\xff".b, "\xc3\xa9",
                 "\u20ac", '{', '}', '[', ']', ',', '//', '%s', '%n', '#'].freeze

  # The hooks are the fuzzer's: make a call, re-initialise the current call's receiver.
  attr_accessor :reenter_hook, :renew_hook, :current_array, :current_texts, :changing

  def initialize(random)
    @random = random
    @root_fiber = Fiber.current
  end

  # Runs an action of a conversion; true, so that the conversion goes on.
  def act(action)
    case action
    when :call then reenter_hook&.call
    when :shrink then current_array&.clear unless current_array&.frozen?
    when :raise then raise OwnError, 'raised by a conversion'
    when :renew then renew_hook&.call
    when :grow # a String kept and given again grows only so far
      current_texts&.reject { |t| t.bytesize > 300_000 }&.sample(random: @random)&.concat('p' * pick([1, 300, 100_000]))
    when :collect then chance(0.05) ? GC.compact : GC.start
    when :yield then Fiber.current == @root_fiber || Fiber.yield
    end
    true
  end

  def pick(list) = list[@random.rand(list.size)]

  def chance(probability) = @random.rand < probability

  # Any value at all.
  def any(depth = 0)
    case @random.rand(100)
    when 0...6 then nil
    when 6...9 then pick([true, false])
    when 9...30 then integer
    when 30...50 then float
    when 50...68 then text
    when 68...90 then depth < 2 ? array(depth) : integer
    when 90...94 then pick([:symbol, Object.new, {}, range, 1r / 3, Complex(1, 1)])
    else reentrant
    end
  end

  def integer = chance(0.6) ? @random.rand(-8..300) : pick(INTEGERS)

  def float = chance(0.5) ? (@random.rand - 0.5) * 10**@random.rand(0..6) : pick(FLOATS)

  # Strings of odd bytes; never "-" (the process's standard output) nor an absolute path, since
  # a string may become an output path.
  def text
    case @random.rand(10)
    when 0 then ''
    when 1 then 'x' * pick([255, 256, 257, 1000, 5000])
    else
      built = +''
      @random.rand(1..12).times { built << pick(TEXT_PIECES).dup.force_encoding(Encoding::BINARY) }
      built.force_encoding(pick([Encoding::UTF_8, Encoding::BINARY]))
      built == '-' || built.start_with?('/') ? "f#{built}" : built
    end
  end

  def array(depth = 0)
    length = case @random.rand(10)
             when 0 then 0
             when 1..6 then @random.rand(1..20)
             when 7..8 then @random.rand(20..200)
             else @random.rand(200..3000)
             end
    case @random.rand(4)
    when 0 then Array.new(length) { float }
    when 1 then Array.new(length) { integer }
    when 2 then Array.new(length) { chance(0.9) ? @random.rand(-2..50) : any(depth + 1) }
    else Array.new(length) { any(depth + 1) }
    end
  end

  # Well-formed arrays of the length a call reads, so that calls also get past the checks; when
  # changing, often with one element whose conversion changes the call.
  def numbers(count, integers: false)
    list = Array.new(count) { integers ? @random.rand(1..[count / 3, 1].max) : (@random.rand * 20) - 10 }
    list[@random.rand(count)] = reentrant if changing && count.positive? && chance(0.5)
    list
  end

  def actions = changing ? ACTIONS + CHANGING_ACTIONS * 2 : ACTIONS

  def reentrant = ReentrantNumber.new(self, pick(actions))

  def range
    changing ? ReentrantRange.new(self, pick(actions), @random.rand(-3..3), @random.rand(-3..5)) : (1..3)
  end
end
