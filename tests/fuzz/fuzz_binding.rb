# frozen_string_literal: true

# Fuzzer of the Ruby extension: random sequences of calls on SketchupExporter, Face,
# FloatVector and IntVector, in any order, with arguments of any type and value.
#
#   ruby -I <build>/lib tests/fuzz/fuzz_binding.rb [--seed N] [--calls N] [--inspector PROGRAM]
#                                                  [--trace FILE] [--keep DIR] [--changing]
#
# --changing: array elements (and Ranges given to vectors) whose conversion re-initialises the
# call's receiver, grows its texts, collects garbage or yields from the Fiber the call then runs
# in (left suspended, resumed by a later step, or dropped).
#
# It fails (exit status 1) when a call raises anything but the documented exception classes, and
# when a scene that an export to a given path completed does not parse with the inspector. A
# crash ends the process; --trace FILE then holds every call up to the one that crashed. Run it
# under the sanitizer build (scripts/sanitize-test.sh) so that memory errors count as crashes.
require 'fileutils'
require 'optparse'
require 'tmpdir'
require 'vistrel_sketchup_plugin'
require_relative 'fuzz_values'
require_relative 'fuzz_scenes'

class BindingFuzzer
  include Vistrel_sketchup_plugin

  # What a call may raise: the binding's argument, conversion, output and call-order errors
  # (ObjectPreviouslyDeleted and NullReferenceError are RuntimeErrors), the vector classes'
  # IndexError, and what the caller's own conversion code raised.
  ALLOWED = [ArgumentError, TypeError, RangeError, IOError, RuntimeError, IndexError,
             FuzzValues::OwnError].freeze
  # What call returns for a call left suspended in its Fiber.
  SUSPENDED = :suspended
  EXPORTER_METHODS = { add_faces: 12, add_faces2: 12, begin_group: 1, transform: 1, end_group: 0,
                       open_file: 8, close_file: 0, run_vistrel: 0, test: 0 }.freeze
  # Every public method of the classes (tests/ruby/test_surface.rb pins the lists), sorted so that
  # a seed replays the same calls.
  FACE_FIELDS = Face.public_instance_methods(false).grep_v(/=\z/).sort.freeze
  VECTOR_METHODS = FloatVector.public_instance_methods(false).sort.freeze
  BLOCK_METHODS = %i[delete_if each map_bang reject reject! select].freeze
  # What a block may do to the vector it walks.
  CHANGES = { push: 1, pop: 0, clear: 0, shift: 0, unshift: 1, resize: 1, reserve: 1,
              insert: 2, delete_at: 1, initialize: 1 }.freeze
  ITERATOR_METHODS = (Iterator.public_instance_methods(false) | ConstIterator.public_instance_methods(false)).sort.freeze
  ITERATOR_READERS = %i[value dup inspect to_s].freeze
  # Sizes a vector would really allocate (and fill) are kept small; those it refuses stay.
  SIZE_LIMIT = 1 << 16
  UNREASONABLE = (SIZE_LIMIT...(1 << 61)).freeze

  attr_reader :calls, :failures, :scenes

  def initialize(seed:, calls:, folder:, trace: nil, changing: false)
    @random = Random.new(seed)
    @values = FuzzValues.new(@random)
    @values.reenter_hook = -> { step if @depth < 2 }
    @values.renew_hook = -> { renew(@receiver) }
    @values.changing = changing
    @budget = calls
    @calls = @depth = 0
    @scenes = FuzzScenes.new(folder, @random)
    @trace = trace && File.open(trace, 'w')
    @exporters, @faces, @vectors, @iterators, @others, @failures, @suspended = Array.new(7) { [] }
  end

  def run
    step while @calls < @budget
    @trace&.close
  end

  private

  def step
    @depth += 1
    case @random.rand(100)
    when 0...45 then exporter_call
    when 45...65 then face_call
    when 65...88 then vector_call
    when 88...97 then iterator_call
    else @suspended.empty? || @values.chance(0.5) ? collect : resume_suspended
    end
  ensure
    @depth -= 1
  end

  # One call of the extension (with the block given only when with_block): counted, traced, and
  # its exception checked; when changing, now and then run in a Fiber that a conversion may leave
  # suspended.
  def call(receiver, method, args, with_block = false, &block)
    block = nil unless with_block
    @calls += 1
    @trace&.puts("#{@calls} #{receiver.class}##{method} #{args.map { |a| a.inspect[0, 60] }.join(', ')}")
    @trace&.flush
    saved = [@receiver, @values.current_array, @values.current_texts]
    @receiver = receiver
    @values.current_array = args.grep(Array).sample(random: @random)
    @values.current_texts = args.grep(String).reject(&:frozen?)
    # initialize is private; a script reaches it with send.
    invoke = -> { receiver.__send__(method, *args, &block) }
    # (not with a block: its break must leave from the Fiber that made it)
    checked(receiver, method) { @values.changing && !block && @values.chance(0.3) ? in_fiber(invoke) : invoke.call }
  ensure
    @receiver, @values.current_array, @values.current_texts = saved
  end

  def checked(receiver, method)
    yield
  rescue *ALLOWED => e
    e
  rescue Exception => e # rubocop:disable Lint/RescueException
    raise if e.is_a?(Interrupt) || e.is_a?(SystemExit)

    @failures << "call #{@calls}: #{receiver.class}##{method} raised #{e.class}: #{e.message}"
    e
  end

  def in_fiber(invoke)
    fiber = Fiber.new(&invoke)
    result = fiber.resume
    return result unless fiber.alive?

    @suspended << fiber
    @suspended.shift while @suspended.size > 4 # dropped: collected with the conversion it holds
    SUSPENDED
  end

  def resume_suspended
    fiber = @suspended.shift
    checked(fiber, :resume) { fiber.resume }
    @suspended << fiber if fiber.alive?
  end

  def renew(receiver)
    return unless [SketchupExporter, Face, FloatVector, IntVector].include?(receiver.class)

    @scenes.before(receiver, :initialize, [])
    call(receiver, :initialize, receiver.respond_to?(:size) ? [@random.rand(0..4)] : [])
  end

  # Mostly a well-formed argument list, sometimes a random one, now and then of the wrong length.
  def arguments(count)
    args = Array.new(count) { @values.any }
    return args if @values.chance(0.25)

    yield args
    args.map! { |value| @values.chance(0.08) ? @values.any : value }
    args.pop if @values.chance(0.03) && !args.empty?
    args.push(@values.any) if @values.chance(0.03)
    args
  end

  def pooled(pool, limit)
    pool.delete_at(@random.rand(pool.size)) if pool.size >= limit
    yield.tap { |object| pool << object unless object.is_a?(Exception) || object == SUSPENDED }
  end

  def exporter_call
    if @exporters.empty? || @values.chance(0.02)
      return pooled(@exporters, 4) { @values.chance(0.9) ? SketchupExporter.new : SketchupExporter.allocate }
    end
    exporter = @values.pick(@exporters)
    return call(exporter, :initialize, []) if @values.chance(0.005)

    method = @values.pick(EXPORTER_METHODS.keys)
    args = arguments(EXPORTER_METHODS[method]) { |list| plausible(method, list) }
    @scenes.before(exporter, method, args)
    error = call(exporter, method, args)
    # A suspended call ends later, unseen: its exporter's export is no longer followed.
    return @scenes.before(exporter, :initialize, []) if error == SUSPENDED

    @scenes.after(exporter, method, args, error)
  end

  def plausible(method, args)
    case method
    when :add_faces, :add_faces2 then args.replace(face_arguments)
    when :open_file
      args.replace([@values.text, @scenes.output_path, @values.numbers(3), @values.numbers(3),
                    @values.numbers(3), @values.float, @values.float, @values.chance(0.85)])
    when :begin_group then args[0] = @values.chance(0.8) ? @values.text : nil
    when :transform then args[0] = @values.numbers(16)
    end
  end

  def face_arguments
    vertices = @random.rand(0..40)
    faces = vertices.zero? ? 0 : @random.rand(0..30)
    [vertices, faces, @values.numbers(3 * vertices), @values.numbers(3 * faces, integers: true),
     @values.numbers(3 * vertices), @values.numbers(3 * vertices),
     @values.chance(0.9) ? @values.pick(%w[brick glass wood]) : @values.text,
     @values.chance(0.7) ? '' : @values.text, @random.rand(0..255), @random.rand(0..255),
     @random.rand(0..255), @random.rand]
  end

  def face_call
    if @faces.empty? || @values.chance(0.1)
      return pooled(@faces, 6) do
        case @random.rand(4)
        when 0 then Face.allocate
        when 1 then call(Face, :new, [])
        else call(Face, :new, arguments(12) { |args| args.replace(face_arguments) })
        end
      end
    end
    face = @values.pick(@faces)
    field = @values.pick(FACE_FIELDS)
    return keep(call(face, field, [])) if @values.chance(0.4)

    value = @values.chance(0.5) ? @values.any : face_arguments[@random.rand(12)]
    call(face, :"#{field}=", [value])
  end

  def vector_call
    if @vectors.empty? || @values.chance(0.06)
      kind = @values.pick([FloatVector, IntVector])
      args = [[], [@values.array], [@values.integer], [@values.integer, @values.any],
              [@values.pick(@vectors + [nil])]][@random.rand(5)]
      return pooled(@vectors, 6) { call(kind, :new, tame(args)) }
    end
    vector = @values.pick(@vectors)
    method = @values.pick(VECTOR_METHODS)
    pool = @vectors + @others.last(4) + @iterators.last(4)
    args = Array.new(@random.rand(0..3)) { @values.chance(0.3) && !pool.empty? ? @values.pick(pool) : @values.any }
    args = [@values.range] if method == :[] && @values.changing && @values.chance(0.5)
    with_block = BLOCK_METHODS.include?(method) && @values.chance(0.9)
    result = call(vector, method, tame(args), with_block) do |element|
      break :stopped if @values.chance(0.03)

      block_result(vector, element)
    end
    keep(result)
  end

  # Vectors, iterators and the pointer objects of the face's arrays, used as later arguments.
  def keep(result)
    pool = { FloatVector => @vectors, IntVector => @vectors, Iterator => @iterators,
             SWIG::TYPE_p_float => @others, SWIG::TYPE_p_int => @others }[result.class]
    pool.shift if pool&.push(result)&.size.to_i > 8
  end

  # A block leaves normally, by break, or by raising, and may change the vector it walks.
  def block_result(vector, element)
    case @random.rand(20)
    when 0 then raise FuzzValues::OwnError, 'raised by a block'
    when 1 then step if @depth < 2
    when 2..4 then change(vector)
    end
    @values.chance(0.7) ? element : @values.any
  end

  def change(vector)
    method = @values.pick(CHANGES.keys)
    args = Array.new(CHANGES[method]) { @values.chance(0.8) ? @random.rand(-2..6) : @values.any }
    args[0] = vector.begin if method == :insert && @values.chance(0.5)
    call(vector, method, tame(args))
  end

  # Iterators kept from begin, end, rbegin, rend, erase, insert and their own moves, used while
  # their vectors change under them.
  def iterator_call
    return vector_call if @iterators.empty?

    iterator = @values.pick(@iterators)
    method = @values.pick(ITERATOR_METHODS)
    # One argument (another iterator, a step, anything), none for the readers and now and then
    # for the others; next and previous take a step or none.
    args = if ITERATOR_READERS.include?(method) || @values.chance(0.3) then []
           elsif @values.chance(0.4) then [@values.pick(@iterators)]
           else [@values.chance(0.8) ? @random.rand(-5..5) : @values.any]
           end
    keep(call(iterator, method, tame(args)))
  end

  def tame(args)
    args.map { |value| value.is_a?(Integer) && UNREASONABLE.cover?(value.abs) ? @random.rand(SIZE_LIMIT) : value }
  end

  # Drops objects and collects, so that free functions run in between calls.
  def collect
    [@exporters, @faces, @vectors, @others, @iterators].each { |pool| pool.shift if pool.size > 1 && @values.chance(0.5) }
    @values.chance(0.2) ? GC.start(full_mark: true, immediate_sweep: true) : GC.start(full_mark: false)
    GC.compact if @values.chance(0.02) && GC.respond_to?(:compact)
  end
end

if $PROGRAM_NAME == __FILE__
  options = { seed: 1, calls: 20_000, inspector: ENV.fetch('VISTREL_INSPECT', nil) }
  OptionParser.new do |parser|
    %w[--seed=N --calls=N].each { |option| parser.on(option, Integer) }
    %w[--inspector=PROGRAM --trace=FILE --keep=DIR --changing].each { |option| parser.on(option) }
  end.parse!(into: options)
  %i[trace keep].each { |key| options[key] &&= File.expand_path(options[key]) }
  abort 'fuzz_binding: --inspector PROGRAM (or VISTREL_INSPECT) is required' unless options[:inspector]

  folder = options[:keep] || Dir.mktmpdir('vistrel-fuzz')
  FileUtils.mkdir_p(folder)
  started = Process.clock_gettime(Process::CLOCK_MONOTONIC)
  fuzzer = BindingFuzzer.new(seed: options[:seed], calls: options[:calls], folder: folder,
                             trace: options[:trace], changing: options[:changing])
  Dir.chdir(folder) { fuzzer.run }
  GC.start
  problems = fuzzer.failures + fuzzer.scenes.check_with(options[:inspector])
  seconds = Process.clock_gettime(Process::CLOCK_MONOTONIC) - started
  puts format('fuzz_binding: seed %<seed>d, %<calls>d calls%<mode>s, %<scenes>d completed scenes, %<s>.1f s',
              seed: options[:seed], calls: fuzzer.calls, mode: options[:changing] ? ' (changing)' : '',
              scenes: fuzzer.scenes.completed, s: seconds)
  FileUtils.remove_entry(folder) unless options[:keep]
  problems.first(20).each { |problem| warn "fuzz_binding: #{problem}" }
  exit(problems.empty? ? 0 : 1)
end
