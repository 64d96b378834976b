# frozen_string_literal: true

# Export benchmark: the same faces written side by side, in one process, by
#   add_faces2   the extension's batched path (open_file, the calls, end_group, close_file);
#   add_faces    the extension's immediate path, one mesh per call;
#   pure Ruby    what a script author writes without the extension: the arrays batched per
#                material, indices rebased, Array#pack and File#write;
#   floor        the arrays converted to 4-byte items in C and written with one fwrite each,
#                the least work any native exporter can do (bench/export_floor.c);
# then the C++ writer alone (writer_bench: SceneBuilder against raw fwrite), and the memory an
# export takes, measured in a child process.
#
# Faces come in calls of 1,000 vertices and 1,000 triangles over 8 materials, in one group.
# Every time is the median of the runs; the ways take turns within each run.
#
#   ruby -I <build>/lib -I <build>/bench bench/export_bench.rb \
#        [--writer-bench <build>/bench/writer_bench] [--sizes 10000,100000,1000000] [--runs 5]
# scripts/bench.sh builds everything in Release and runs this.

require 'optparse'
require 'rbconfig'
require 'tmpdir'
require 'vistrel_sketchup_plugin'
require 'vistrel_bench_floor'

module ExportBench
  VERTICES_PER_CALL = 1000
  TRIANGLES_PER_CALL = 1000
  MATERIALS = 8
  # Bytes of the arrays as written: positions and normals 12, coordinates 8 per vertex,
  # vertex indices 12 per triangle.
  PAYLOAD_PER_CALL = 32 * VERTICES_PER_CALL + 12 * TRIANGLES_PER_CALL
  # Bytes of the arrays as the exporter batches them (coordinates keep their third value).
  BATCHED_PER_CALL = 36 * VERTICES_PER_CALL + 12 * TRIANGLES_PER_CALL

  Call = Struct.new(:vs, :fs, :ns, :uvs, :material)

  def self.make_calls(count, materials = MATERIALS)
    Array.new(count) do |c|
      base = c * 3 * VERTICES_PER_CALL
      Call.new(Array.new(3 * VERTICES_PER_CALL) { |i| (base + i) * 0.001 },
               Array.new(3 * TRIANGLES_PER_CALL) { |i| (i / 3 + i % 3) % VERTICES_PER_CALL + 1 },
               Array.new(3 * VERTICES_PER_CALL) { |i| i % 3 == 2 ? 1.0 : 0.0 },
               Array.new(3 * VERTICES_PER_CALL) { |i| (i % 7) * 0.125 },
               "material #{c % materials}")
    end
  end

  # --- the ways -------------------------------------------------------------------------------

  EYE = [0.0, 0.0, 10.0].freeze
  DIR = [0.0, 0.0, -1.0].freeze
  UP = [0.0, 1.0, 0.0].freeze

  def self.extension(path, calls, batched)
    exporter = Vistrel_sketchup_plugin::SketchupExporter.new
    exporter.open_file('bench', path, EYE, DIR, UP, 45.0, 0.0, true)
    exporter.begin_group('faces')
    calls.each do |c|
      if batched
        exporter.add_faces2(VERTICES_PER_CALL, TRIANGLES_PER_CALL, c.vs, c.fs, c.ns, c.uvs,
                            c.material, '', 200, 100, 50, 1.0)
      else
        exporter.add_faces(VERTICES_PER_CALL, TRIANGLES_PER_CALL, c.vs, c.fs, c.ns, c.uvs,
                           c.material, '', 200, 100, 50, 1.0)
      end
    end
    exporter.end_group
    exporter.close_file
  end

  def self.block(tag, items)
    [1, 2, 3, tag.ord, items.bytesize / 4].pack('C4l<') << items
  end

  def self.pure_ruby(path, calls)
    File.open(path, 'wb') do |file|
      calls.group_by(&:material).sort.each do |_material, batch|
        vs = []
        ns = []
        uvs = []
        fs = []
        base = 0
        batch.each do |c|
          vs.concat(c.vs)
          ns.concat(c.ns)
          c.uvs.each_slice(3) { |u, v, _| uvs << u << v }
          fs.concat(c.fs.map { |i| i + base - 1 })
          base += VERTICES_PER_CALL
        end
        file.write(block('c', vs.pack('e*')), block('c', ns.pack('e*')),
                   block('f', uvs.pack('e*')), block('i', fs.pack('l<*')))
      end
    end
  end

  def self.floor(path, calls)
    VistrelBenchFloor.open(path)
    calls.each { |c| VistrelBenchFloor.write_faces(c.vs, c.fs, c.ns, c.uvs) }
    VistrelBenchFloor.close
  end

  WAYS = {
    'add_faces2' => ->(path, calls) { extension(path, calls, true) },
    'add_faces' => ->(path, calls) { extension(path, calls, false) },
    'pure Ruby' => ->(path, calls) { pure_ruby(path, calls) },
    'floor' => ->(path, calls) { floor(path, calls) }
  }.freeze

  def self.now
    Process.clock_gettime(Process::CLOCK_MONOTONIC)
  end

  def self.median(values)
    values.sort[values.size / 2]
  end

  # Median seconds of each way over the runs.
  # Median [wall, processor] seconds of each way over the runs.
  def self.time_ways(folder, calls, runs, ways)
    times = Hash.new { |h, k| h[k] = [[], []] }
    path = File.join(folder, 'export_bench.vsf')
    runs.times do
      ways.each do |name|
        File.delete(path) if File.exist?(path)
        GC.start
        wall = now
        cpu = Process.clock_gettime(Process::CLOCK_PROCESS_CPUTIME_ID)
        WAYS.fetch(name).call(path, calls)
        times[name][0] << now - wall
        times[name][1] << Process.clock_gettime(Process::CLOCK_PROCESS_CPUTIME_ID) - cpu
      end
    end
    File.delete(path) if File.exist?(path)
    times.transform_values { |wall, cpu| [median(wall), median(cpu)] }
  end

  # name => [median wall seconds, median cpu seconds, bytes]
  def self.writer_bench(program, folder, triangles, runs)
    return {} unless program

    output = IO.popen([program, '--tsv', folder, triangles.to_s, runs.to_s], &:read)
    raise "#{program} failed" unless $?.success?

    output.lines.to_h do |line|
      name, wall, cpu, bytes = line.split("\t")
      [name, [wall.to_f, cpu.to_f, bytes.to_f]]
    end
  end

  # --- memory, in a child process ----------------------------------------------------------

  TRIM = begin
    require 'fiddle'
    Fiddle::Function.new(Fiddle.dlopen(nil)['malloc_trim'], [Fiddle::TYPE_SIZE_T],
                         Fiddle::TYPE_INT)
  rescue StandardError, LoadError
    nil
  end

  def self.status_kb(field)
    File.read('/proc/self/status')[/^#{field}:\s+(\d+)/, 1].to_i
  end

  def self.settled_rss_kb
    GC.start
    TRIM&.call(0)
    status_kb('VmRSS')
  end

  # Prints: extra peak KB of one export, and growth KB over `repeats` more exports.
  def self.memory_child(call_count, materials, repeats)
    calls = make_calls(call_count, materials)
    path = File.join(Dir.tmpdir, "export_bench_memory_#{Process.pid}.vsf")
    before = settled_rss_kb
    File.write('/proc/self/clear_refs', '5') # the peak starts again from here
    extension(path, calls, true)
    peak = status_kb('VmHWM')
    settled = settled_rss_kb
    repeats.times { extension(path, calls, true) }
    puts "#{peak - before} #{settled_rss_kb - settled}"
  ensure
    File.delete(path) if path && File.exist?(path)
  end

  def self.memory(call_count, materials, repeats)
    script = File.expand_path(__FILE__)
    # The child loads the libraries from where this process found them.
    folders = $LOADED_FEATURES.grep(/vistrel_(sketchup_plugin|bench_floor)/)
                              .map { |f| File.dirname(f) }
    command = [RbConfig.ruby, *folders.uniq.flat_map { |d| ['-I', d] }, script,
               '--memory-child', call_count.to_s, '--materials', materials.to_s,
               '--repeats', repeats.to_s]
    peak, growth = IO.popen(command, &:read).split.map(&:to_i)
    raise 'memory child failed' unless $?.success?

    [peak, growth]
  end

  # --- the table ---------------------------------------------------------------------------

  HEADER = format('%-30s %9s %9s %8s %7s   %s', 'case', 'wall ms', 'cpu ms', 'Mtri/s', 'MB/s',
                  'ratios (of wall times; of processor times in brackets)')

  def self.row(label, (wall, cpu), triangles, bytes, ratio = '')
    format('%-30s %9.1f %9.1f %8.2f %7.0f   %s', label, wall * 1e3, cpu * 1e3,
           triangles / wall / 1e6, bytes / wall / 1e6, ratio)
  end

  # "a / b" of wall and processor times, as "2.50x (2.31x)".
  def self.ratio(a, b)
    format('%.2fx (%.2fx)', a[0] / b[0], a[1] / b[1])
  end

  def self.print_ruby_rows(t, triangles, bytes)
    floor = t['floor']
    pure = t['pure Ruby']
    { 'add_faces2' => '1 add_faces2, Ruby API', 'add_faces' => '1 add_faces, Ruby API',
      'pure Ruby' => '2 pure Ruby, pack + write', 'floor' => '3 floor, C convert + fwrite' }
      .each do |name, label|
      next unless t.key?(name)

      ratios = []
      ratios << "#{ratio(t[name], floor)} floor" if floor && name != 'floor'
      ratios << "pure Ruby takes #{ratio(pure, t[name])}" if pure && name.start_with?('add_')
      puts row(label, t[name], triangles, bytes, ratios.join(', '))
    end
  end

  def self.print_writer_rows(cpp, triangles)
    puts "-- C++ writer, one #{triangles}-triangle mesh"
    raw = cpp['raw']
    { 'builder' => '4 SceneBuilder, lists reused', 'new_builder' => '  SceneBuilder, new lists',
      'writer' => '  writer alone, per element', 'raw' => '  raw fwrite of the arrays' }
      .each do |name, label|
      wall, cpu, bytes = cpp[name]
      puts row(label, [wall, cpu], triangles, bytes,
               format('%.0f%% (%.0f%%) of raw fwrite throughput', 100 * raw[0] / wall,
                      100 * raw[1] / cpu))
    end
  end

  def self.print_memory_rows(triangles, repeats)
    calls = triangles / TRIANGLES_PER_CALL
    native_mb = calls * BATCHED_PER_CALL / 1e6
    puts "-- memory, add_faces2 export of #{triangles} triangles, in a child process"
    [MATERIALS, 1].each do |materials|
      peak_kb, growth_kb = memory(calls, materials, materials == 1 ? 0 : repeats)
      peak_mb = peak_kb * 1024 / 1e6
      puts format('%s extra peak RSS, %d material%s %7.1f MB = %.2fx the batched arrays (%.1f MB)',
                  materials == 1 ? ' ' : '5', materials, materials == 1 ? ': ' : 's:', peak_mb,
                  peak_mb / native_mb, native_mb)
      next if materials == 1

      puts format('  RSS growth over %d more exports: %.1f MB', repeats, growth_kb * 1024 / 1e6)
    end
  end

  def self.run(options)
    sizes = options[:sizes]
    all_calls = make_calls(sizes.max / TRIANGLES_PER_CALL)
    Dir.mktmpdir('export-bench', options[:folder]) do |folder|
      puts HEADER
      sizes.each do |triangles|
        calls = all_calls.first(triangles / TRIANGLES_PER_CALL)
        puts "-- #{triangles} triangles in #{calls.size} calls, median of #{options[:runs]} runs"
        times = time_ways(folder, calls, options[:runs], options[:ways])
        print_ruby_rows(times, triangles, calls.size * PAYLOAD_PER_CALL)
      end
      next unless options[:ways] == WAYS.keys

      if options[:writer_bench]
        print_writer_rows(writer_bench(options[:writer_bench], folder, sizes.max, options[:runs]),
                          sizes.max)
      end
      print_memory_rows(sizes.max, options[:repeats])
    end
  end
end

options = { sizes: [10_000, 100_000, 1_000_000], runs: 5, repeats: 100, materials: 8,
            ways: ExportBench::WAYS.keys }
OptionParser.new do |o|
  o.banner = 'usage: export_bench.rb [options]'
  o.on('--sizes LIST', Array, 'triangle counts, multiples of 1000') do |v|
    options[:sizes] = v.map { |s| Integer(s) }
  end
  o.on('--runs N', Integer, 'runs of each case (median reported)') { |v| options[:runs] = v }
  o.on('--repeats N', Integer, 'exports for the growth check') { |v| options[:repeats] = v }
  o.on('--ways LIST', Array, "some of: #{ExportBench::WAYS.keys.join(',')}") do |v|
    options[:ways] = v
  end
  o.on('--folder DIR', 'where the files go (default: temporary folder)') { |v| options[:folder] = v }
  o.on('--writer-bench PATH', 'the writer_bench program, for case 4') do |v|
    options[:writer_bench] = v
  end
  o.on('--memory-child CALLS', Integer) { |v| options[:memory_child] = v }
  o.on('--materials N', Integer) { |v| options[:materials] = v }
end.parse!

if options[:memory_child]
  ExportBench.memory_child(options[:memory_child], options[:materials], options[:repeats])
else
  ExportBench.run(options)
end
